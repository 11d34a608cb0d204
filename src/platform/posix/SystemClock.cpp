#include "platform/Clock.h"

#include <chrono>
#include <ctime>

namespace corvalet {

TDateTime LocalTimeAt(std::int64_t unixMilliseconds) {
    const std::int64_t ms = ((unixMilliseconds % 1000) + 1000) % 1000;
    const auto seconds = static_cast<std::time_t>((unixMilliseconds - ms) / 1000);
    std::tm local{};
    localtime_r(&seconds, &local);
    return TDateTime{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                     local.tm_min,         local.tm_sec,     static_cast<int>(ms)};
}

TDateTime TSystemClock::Now() const {
    using namespace std::chrono;
    return LocalTimeAt(duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count());
}

TClock& SystemClock() {
    static TSystemClock clock;
    return clock;
}

} // namespace corvalet
