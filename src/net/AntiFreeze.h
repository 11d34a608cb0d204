#pragma once

#include <climits>
#include <functional>
#include <thread>

namespace corvalet {

// Services the program's window events. `allPending` asks for every pending event; otherwise at
// most one pending event is to be handled. The program installs its event loop's handler; the
// network code knows nothing of the window toolkit.
using TServiceUIHandler = std::function<void(bool allPending)>;

// Keeps the windows alive while the one user-interface thread waits in a socket call: every wait,
// send and connect slice on the main thread hands control to the installed handler.
class TNetAntiFreeze {
public:
    // The instance becomes TheAntiFreeze() until it is destroyed.
    TNetAntiFreeze();
    virtual ~TNetAntiFreeze();
    TNetAntiFreeze(const TNetAntiFreeze&) = delete;
    TNetAntiFreeze& operator=(const TNetAntiFreeze&) = delete;

    virtual void ServiceUI();

    bool Active = true;
    bool ApplicationHasPriority = true;
    int IdleTimeOut = 250;
    bool OnlyWhenIdle = true;
    TServiceUIHandler OnServiceUI;
};

// The program's anti-freeze, or null.
TNetAntiFreeze* TheAntiFreeze();

// The program's main thread is the thread that started it, unless set otherwise.
void SetMainThreadId(std::thread::id id);
bool IsMainThread();

// The anti-freeze exists, is active, and the caller is the main thread.
bool AntiFreezeApplies();
// Services the windows when the anti-freeze applies and the wait was idle, or the anti-freeze does
// not wait for idleness, or `override` is given.
void YieldToUI(bool idle, bool override = false);

enum class TNetWaitOutcome { Ready, TimedOut, Ended };

// One look at what is awaited: true when it came within `milliseconds` (negative: no limit).
using TNetWaitStep = std::function<bool(int milliseconds)>;

// The one wait of the network code. Waits up to `timeout` ms (-2: no limit) for what `step` looks
// at. While the anti-freeze applies, the wait goes in slices of its IdleTimeOut (at most
// `longestSlice`), and after every slice the windows are serviced and `goOn` is asked whether the
// wait still makes sense (a window event may have closed the connection meanwhile): false ends it
// with Ended. Time is counted in slices, so a wait that ends early ends the count with it.
TNetWaitOutcome WaitInSlices(int timeout, const TNetWaitStep& step, const std::function<bool()>& goOn,
                             int longestSlice = INT_MAX);

} // namespace corvalet
