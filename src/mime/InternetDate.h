#pragma once

#include "platform/DateTime.h"

#include <ctime>
#include <string>

namespace corvalet {

// "+0100", "-0500", "+0000": the offset of local time from UTC in minutes, east positive.
std::string FormatZoneOffset(int offsetMinutes);

// The date of a mail header: "Tue, 8 Dec 2026 21:13:15 +0100", English names whatever the locale.
std::string FormatInternetDate(const TDateTime& local, int offsetMinutes);

// The offset from UTC that the system's time zone has at the given local time (so a date in summer
// gets the summer offset). A local time that occurs twice (the hour repeated when summer time
// ends) is taken as the instant nearer to the present (LocalUtcOffsetNear: to `near`), so a
// message dated now gets the offset of now. Throws ENetFailedToRetreiveTimeZoneInfo when the system cannot say.
int LocalUtcOffset(const TDateTime& local);
int LocalUtcOffsetNear(const TDateTime& local, std::time_t near);

} // namespace corvalet
