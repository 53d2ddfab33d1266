#pragma once
#include "mail/MailDate.h"

#include <windows.h>

namespace KEMail {

// The local zone as a signed hhmm number (east positive): 200, 530, -330.
[[nodiscard]] int ZoneOffsetFromTimeZone(const TIME_ZONE_INFORMATION& zone, DWORD zoneState);
[[nodiscard]] int CurrentZoneOffset();

[[nodiscard]] MailTime MailTimeOf(const SYSTEMTIME& time);
[[nodiscard]] MailTime CurrentUtc();

}  // namespace KEMail
