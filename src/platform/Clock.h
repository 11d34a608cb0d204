#pragma once

#include "platform/DateTime.h"

#include <cstdint>

namespace corvalet {

// The local clock. The program reads it through this interface so that tests can set the time.
class TClock {
public:
    virtual ~TClock() = default;
    virtual TDateTime Now() const = 0;
};

// The real local time of this machine.
class TSystemClock final : public TClock {
public:
    TDateTime Now() const override;
};

// The local date and time, under the system's time zone rules (TZ), of an instant given in
// milliseconds since 1970-01-01 00:00 UTC.
TDateTime LocalTimeAt(std::int64_t unixMilliseconds);

// The clock the program uses unless a test hands one in.
TClock& SystemClock();

} // namespace corvalet
