#pragma once

#include <algorithm>
#include <chrono>

namespace corvalet {

// The end of a wait of `timeout` ms (-2: no limit) that began when this was made, so that a wait
// made of several smaller ones cannot outlast it.
class TNetDeadline {
public:
    explicit TNetDeadline(int timeout)
        : Unlimited(timeout == -2),
          End(std::chrono::steady_clock::now() + std::chrono::milliseconds(std::max(0, timeout))) {}

    // The ms left: -2 without a limit, 0 once the end has passed.
    int Left() const {
        if (Unlimited)
            return -2;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(End - std::chrono::steady_clock::now());
        return static_cast<int>(std::max<long long>(0, left.count()));
    }

private:
    bool Unlimited;
    std::chrono::steady_clock::time_point End;
};

} // namespace corvalet
