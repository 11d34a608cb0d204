#include "net/AntiFreeze.h"

#include <algorithm>
#include <atomic>

namespace corvalet {

namespace {

std::atomic<TNetAntiFreeze*> Instance{nullptr};

// Dynamic initialisation runs on the thread that starts the program, before main.
std::thread::id MainThread = std::this_thread::get_id();

} // namespace

TNetAntiFreeze::TNetAntiFreeze() {
    Instance = this;
}

TNetAntiFreeze::~TNetAntiFreeze() {
    TNetAntiFreeze* self = this;
    Instance.compare_exchange_strong(self, nullptr);
}

void TNetAntiFreeze::ServiceUI() {
    if (OnServiceUI)
        OnServiceUI(ApplicationHasPriority);
}

TNetAntiFreeze* TheAntiFreeze() {
    return Instance;
}

void SetMainThreadId(std::thread::id id) {
    MainThread = id;
}

bool IsMainThread() {
    return std::this_thread::get_id() == MainThread;
}

bool AntiFreezeApplies() {
    const TNetAntiFreeze* antiFreeze = Instance.load();
    return antiFreeze != nullptr && IsMainThread() && antiFreeze->Active;
}

void YieldToUI(bool idle, bool override) {
    if (AntiFreezeApplies() && (idle || !Instance.load()->OnlyWhenIdle || override))
        Instance.load()->ServiceUI();
}

TNetWaitOutcome WaitInSlices(int timeout, const TNetWaitStep& step, const std::function<bool()>& goOn,
                             int longestSlice) {
    // Nothing to keep alive: one wait for the whole time.
    if (!AntiFreezeApplies())
        return step(timeout == -2 ? -1 : std::max(0, timeout)) ? TNetWaitOutcome::Ready : TNetWaitOutcome::TimedOut;
    const int slice = std::max(1, std::min(TheAntiFreeze()->IdleTimeOut, longestSlice));
    int remaining = std::max(0, timeout);
    for (;;) {
        const int now = timeout == -2 ? slice : std::min(slice, remaining);
        const bool ready = step(now);
        YieldToUI(!ready, false);
        if (!goOn())
            return TNetWaitOutcome::Ended;
        if (ready)
            return TNetWaitOutcome::Ready;
        if (timeout != -2) {
            remaining -= now;
            if (remaining <= 0)
                return TNetWaitOutcome::TimedOut;
        }
    }
}

} // namespace corvalet
