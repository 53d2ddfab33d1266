#include "mail/MailDate.h"

#include <cstdio>
#include <cstdlib>

namespace KEMail {
namespace {

constexpr const char* kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                   "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
// The years Windows' file times hold.
constexpr unsigned kFirstYear = 1601;
constexpr unsigned kLastYear = 30827;
constexpr long long kMinutesPerDay = 24 * 60;

bool IsLeapYear(unsigned year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

unsigned DaysInMonth(unsigned year, unsigned month)
{
    constexpr unsigned kDaysIn[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDaysIn[month - 1];
}

bool IsValid(const MailTime& time)
{
    return time.Year >= kFirstYear && time.Year <= kLastYear && time.Month >= 1 && time.Month <= 12 &&
           time.Day >= 1 && time.Day <= DaysInMonth(time.Year, time.Month) && time.Hour < 24 && time.Minute < 60 &&
           time.Second < 60 && time.Milliseconds < 1000;
}

// Days since 1 January 1970 of a date of the proleptic Gregorian calendar, and back.
long long DaysFromCivil(long long year, unsigned month, unsigned day)
{
    year -= month <= 2 ? 1 : 0;
    const long long era = (year >= 0 ? year : year - 399) / 400;
    const auto yearOfEra = static_cast<unsigned>(year - era * 400);
    const unsigned dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + static_cast<long long>(dayOfEra) - 719468;
}

void CivilFromDays(long long days, long long& year, unsigned& month, unsigned& day)
{
    days += 719468;
    const long long era = (days >= 0 ? days : days - 146096) / 146097;
    const auto dayOfEra = static_cast<unsigned>(days - era * 146097);
    const unsigned yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const unsigned monthIndex = (5 * dayOfYear + 2) / 153;
    day = dayOfYear - (153 * monthIndex + 2) / 5 + 1;
    month = monthIndex < 10 ? monthIndex + 3 : monthIndex - 9;
    year = static_cast<long long>(yearOfEra) + era * 400 + (month <= 2 ? 1 : 0);
}

// As Windows moves a time through its file time: an invalid time, or one moved out of the years
// file times hold, stays as it was.
MailTime MoveByMinutes(const MailTime& time, int minutes)
{
    if (!IsValid(time))
        return time;
    const long long total = DaysFromCivil(time.Year, time.Month, time.Day) * kMinutesPerDay + time.Hour * 60LL +
                            time.Minute + minutes;
    const long long days = (total >= 0 ? total : total - (kMinutesPerDay - 1)) / kMinutesPerDay;
    const long long minuteOfDay = total - days * kMinutesPerDay;
    long long year = 0;
    MailTime moved = time;
    CivilFromDays(days, year, moved.Month, moved.Day);
    if (year < kFirstYear || year > kLastYear)
        return time;
    moved.Year = static_cast<unsigned>(year);
    moved.Hour = static_cast<unsigned>(minuteOfDay / 60);
    moved.Minute = static_cast<unsigned>(minuteOfDay % 60);
    // 1 January 1970 was a Thursday.
    moved.DayOfWeek = static_cast<unsigned>(((days % 7) + 11) % 7);
    return moved;
}

}  // namespace

std::string FormatMailDate(const MailTime& utc, int zoneOffset)
{
    const int minutes = (zoneOffset / 100) * 60 + zoneOffset % 100;
    const MailTime local = MoveByMinutes(utc, minutes);
    char text[96];
    std::snprintf(text, sizeof text, "%s, %u %s %4.4u %u:%2.2u:%2.2u %c%4.4d", kDays[local.DayOfWeek % 7], local.Day,
                  kMonths[(local.Month + 11) % 12], local.Year, local.Hour, local.Minute, local.Second,
                  zoneOffset > 0 ? '+' : '-', std::abs(zoneOffset));
    return text;
}

}  // namespace KEMail
