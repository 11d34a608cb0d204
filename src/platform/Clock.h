#pragma once

#include "platform/DateTime.h"

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

// The clock the program uses unless a test hands one in.
TClock& SystemClock();

} // namespace corvalet
