#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>

namespace corvalet {

enum class TNetStatus {
    hsResolving,
    hsConnecting,
    hsConnected,
    hsDisconnecting,
    hsDisconnected,
    hsStatusText,
    ftpTransfer,
    ftpReady,
    ftpAborted,
};

enum class TWorkMode { wmRead, wmWrite };

class TNetComponent;

using TNetStatusEvent =
    std::function<void(TNetComponent& sender, TNetStatus status, const std::string& statusText)>;
using TWorkBeginEvent = std::function<void(TNetComponent& sender, TWorkMode mode, std::int64_t workCountMax)>;
using TWorkEvent = std::function<void(TNetComponent& sender, TWorkMode mode, std::int64_t workCount)>;
using TWorkEndEvent = std::function<void(TNetComponent& sender, TWorkMode mode)>;
using TNotifyEvent = std::function<void(TNetComponent& sender)>;

// The text a status reports; `argument` fills its "%s" (resolving: the host, connecting: the
// peer's dotted address, status text: the text itself).
std::string StatusText(TNetStatus status, const std::string& argument = std::string());

// The base of every network component: while any component lives, the socket stack exists. It
// reports its status and the progress of its reads and writes to whoever listens.
class TNetComponent {
public:
    TNetComponent();
    virtual ~TNetComponent();
    TNetComponent(const TNetComponent&) = delete;
    TNetComponent& operator=(const TNetComponent&) = delete;

    // Work notifications nest: only the outermost start and stop of a mode are reported, and
    // progress only while a start is open; the reported count is the running total.
    virtual void WorkStart(TWorkMode mode, std::int64_t maximum);
    virtual void WorkProgress(TWorkMode mode, std::int64_t count);
    virtual void WorkStop(TWorkMode mode);

    void ReportStatus(TNetStatus status, const std::string& argument = std::string());

    TNetStatusEvent OnStatus;
    TWorkBeginEvent OnWorkBegin;
    TWorkEvent OnWork;
    TWorkEndEvent OnWorkEnd;

private:
    struct TWorkInfo {
        int Level = 0;
        std::int64_t Maximum = 0;
        std::int64_t Total = 0;
    };
    std::array<TWorkInfo, 2> Work{};
    TWorkInfo& WorkOf(TWorkMode mode) { return Work[static_cast<std::size_t>(mode)]; }
};

} // namespace corvalet
