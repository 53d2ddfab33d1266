#pragma once
#include <windows.h>

#include <string>

namespace KEMail {

// The local zone as a signed hhmm number (east positive): 200, 530, -330.
[[nodiscard]] int ZoneOffsetFromTimeZone(const TIME_ZONE_INFORMATION& zone, DWORD zoneState);
[[nodiscard]] int CurrentZoneOffset();

// "Tue, 5 Dec 2006 9:07:03 +0200": the UTC time moved into the zone that the offset names, so
// that the time and the zone agree; English names whatever the user's language.
[[nodiscard]] std::string FormatMailDate(const SYSTEMTIME& utc, int zoneOffset);

}  // namespace KEMail
