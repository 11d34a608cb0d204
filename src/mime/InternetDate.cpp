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

int LocalUtcOffset(const TDateTime& local) {
    std::tm parts{};
    parts.tm_year = local.Year - 1900;
    parts.tm_mon = local.Month - 1;
    parts.tm_mday = local.Day;
    parts.tm_hour = local.Hour;
    parts.tm_min = local.Minute;
    parts.tm_sec = local.Second;
    parts.tm_isdst = -1;
    errno = 0;
    const std::time_t moment = std::mktime(&parts);
    if (moment == static_cast<std::time_t>(-1) && errno != 0)
        throw ENetFailedToRetreiveTimeZoneInfo();
    std::tm resolved{};
    if (localtime_r(&moment, &resolved) == nullptr)
        throw ENetFailedToRetreiveTimeZoneInfo();
    return static_cast<int>(resolved.tm_gmtoff / 60);
}

} // namespace corvalet
