#include "mime/InternetDate.h"

#include "mime/MessageExceptions.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace corvalet {

std::string FormatZoneOffset(int offsetMinutes) {
    const int magnitude = std::abs(offsetMinutes);
    char text[16];
    std::snprintf(text, sizeof text, "%c%02d%02d", offsetMinutes < 0 ? '-' : '+', magnitude / 60 % 100,
                  magnitude % 60);
    return text;
}

std::string FormatInternetDate(const TDateTime& local, int offsetMinutes) {
    static constexpr const char* Days[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static constexpr const char* Months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                             "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    char text[64];
    std::snprintf(text, sizeof text, "%s, %d %s %d %02d:%02d:%02d ", Days[local.DayOfWeek()], local.Day,
                  Months[(local.Month + 11) % 12], local.Year, local.Hour, local.Minute, local.Second);
    return text + FormatZoneOffset(offsetMinutes);
}

namespace {

// The instant at which the local clock shows `local`, when summer time is `isDst` (-1: the
// system's pick), and the offset it has; false when there is no such instant.
bool InstantOf(const TDateTime& local, int isDst, std::time_t& moment, long& offset) {
    std::tm parts{};
    parts.tm_year = local.Year - 1900;
    parts.tm_mon = local.Month - 1;
    parts.tm_mday = local.Day;
    parts.tm_hour = local.Hour;
    parts.tm_min = local.Minute;
    parts.tm_sec = local.Second;
    parts.tm_isdst = isDst;
    errno = 0;
    moment = std::mktime(&parts);
    if (moment == static_cast<std::time_t>(-1) && errno != 0)
        return false;
    std::tm resolved{};
    if (localtime_r(&moment, &resolved) == nullptr)
        return false;
    offset = resolved.tm_gmtoff;
    // mktime moves a time that the clock never shows; only an instant that shows it counts.
    return isDst < 0 || (resolved.tm_hour == local.Hour && resolved.tm_min == local.Minute &&
                         resolved.tm_mday == local.Day && resolved.tm_isdst == isDst);
}

} // namespace

int LocalUtcOffset(const TDateTime& local) {
    return LocalUtcOffsetNear(local, std::time(nullptr));
}

int LocalUtcOffsetNear(const TDateTime& local, std::time_t near) {
    std::time_t moment = 0;
    long offset = 0;
    if (!InstantOf(local, -1, moment, offset))
        throw ENetFailedToRetreiveTimeZoneInfo();
    // The same wall time in the other season may be a second instant: the one nearer wins.
    std::time_t winter = 0;
    std::time_t summer = 0;
    long winterOffset = 0;
    long summerOffset = 0;
    if (InstantOf(local, 0, winter, winterOffset) && InstantOf(local, 1, summer, summerOffset) &&
        winter != summer) {
        const auto distance = [near](std::time_t t) { return t > near ? t - near : near - t; };
        offset = distance(summer) <= distance(winter) ? summerOffset : winterOffset;
    }
    return static_cast<int>(offset / 60);
}

} // namespace corvalet
