#include "mail/MailDate.h"

#include <cstdio>
#include <cstdlib>

namespace KEMail {
namespace {

constexpr const char* kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                   "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
constexpr long long kFileTimeUnitsPerMinute = 60LL * 10'000'000LL;

SYSTEMTIME MoveByMinutes(const SYSTEMTIME& time, int minutes)
{
    FILETIME file{};
    if (!SystemTimeToFileTime(&time, &file))
        return time;
    ULARGE_INTEGER value{};
    value.LowPart = file.dwLowDateTime;
    value.HighPart = file.dwHighDateTime;
    value.QuadPart = static_cast<ULONGLONG>(static_cast<long long>(value.QuadPart) +
                                            minutes * kFileTimeUnitsPerMinute);
    file.dwLowDateTime = value.LowPart;
    file.dwHighDateTime = value.HighPart;
    SYSTEMTIME moved{};
    if (!FileTimeToSystemTime(&file, &moved))
        return time;
    return moved;
}

}  // namespace

int ZoneOffsetFromTimeZone(const TIME_ZONE_INFORMATION& zone, DWORD zoneState)
{
    long bias = zone.Bias;
    if (zoneState == TIME_ZONE_ID_STANDARD)
        bias += zone.StandardBias;
    else if (zoneState == TIME_ZONE_ID_DAYLIGHT)
        bias += zone.DaylightBias;
    return static_cast<int>(-(bias / 60) * 100 - (bias % 60));
}

int CurrentZoneOffset()
{
    TIME_ZONE_INFORMATION zone{};
    const DWORD state = GetTimeZoneInformation(&zone);
    if (state == TIME_ZONE_ID_INVALID)
        return 0;
    return ZoneOffsetFromTimeZone(zone, state);
}

std::string FormatMailDate(const SYSTEMTIME& utc, int zoneOffset)
{
    const int minutes = (zoneOffset / 100) * 60 + zoneOffset % 100;
    const SYSTEMTIME local = MoveByMinutes(utc, minutes);
    char text[64];
    std::snprintf(text, sizeof text, "%s, %u %s %4.4u %u:%2.2u:%2.2u %c%4.4d", kDays[local.wDayOfWeek % 7],
                  static_cast<unsigned>(local.wDay), kMonths[(local.wMonth + 11) % 12],
                  static_cast<unsigned>(local.wYear), static_cast<unsigned>(local.wHour),
                  static_cast<unsigned>(local.wMinute), static_cast<unsigned>(local.wSecond),
                  zoneOffset > 0 ? '+' : '-', std::abs(zoneOffset));
    return text;
}

}  // namespace KEMail
