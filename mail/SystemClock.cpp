#include "mail/SystemClock.h"

namespace KEMail {

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

MailTime MailTimeOf(const SYSTEMTIME& time)
{
    return MailTime{time.wYear, time.wMonth, time.wDayOfWeek, time.wDay,
                    time.wHour, time.wMinute, time.wSecond,    time.wMilliseconds};
}

MailTime CurrentUtc()
{
    SYSTEMTIME now{};
    GetSystemTime(&now);
    return MailTimeOf(now);
}

}  // namespace KEMail
