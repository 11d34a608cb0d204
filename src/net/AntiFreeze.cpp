#include "net/AntiFreeze.h"

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

} // namespace corvalet
