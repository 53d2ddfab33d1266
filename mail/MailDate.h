#pragma once
#include <string>

namespace KEMail {

// A moment as the system clock gives it, in the calendar's fields; the day of the week is worked
// out from the date where the date is valid.
struct MailTime {
    unsigned Year = 0;
    unsigned Month = 0;  // 1 to 12
    unsigned DayOfWeek = 0;  // 0 is Sunday
    unsigned Day = 0;
    unsigned Hour = 0;
    unsigned Minute = 0;
    unsigned Second = 0;
    unsigned Milliseconds = 0;
};

// "Tue, 5 Dec 2006 9:07:03 +0200": the UTC time moved into the zone that the offset (a signed
// hhmm number, east positive) names, so that the time and the zone agree; English names whatever
// the user's language. A time the calendar does not hold is written as it stands.
[[nodiscard]] std::string FormatMailDate(const MailTime& utc, int zoneOffset);

}  // namespace KEMail
