#pragma once

#include "platform/Clock.h"

namespace corvalet::test {

// A clock that stands still until the test moves it.
class TFakeClock final : public TClock {
public:
    explicit TFakeClock(TDateTime start = TDateTime{2026, 12, 9, 9, 5, 0, 0}) : Current(start) {}

    TDateTime Now() const override { return Current; }
    void Set(const TDateTime& value) { Current = value; }
    void AdvanceMinutes(int minutes) { Current = Current.AddMinutes(minutes); }
    void AdvanceDays(int days) { Current = Current.AddDays(days); }
    void AdvanceSeconds(int seconds) {
        const int total = Current.Second + seconds;
        const int minutes = total >= 0 ? total / 60 : -((-total + 59) / 60);
        Current.Second = total - minutes * 60;
        if (minutes != 0)
            Current = Current.AddMinutes(minutes);
    }

private:
    TDateTime Current;
};

} // namespace corvalet::test
