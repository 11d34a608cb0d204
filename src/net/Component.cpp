#include "net/Component.h"

#include "net/Stack.h"

namespace corvalet {

std::string StatusText(TNetStatus status, const std::string& argument) {
    switch (status) {
    case TNetStatus::hsResolving:
        return "Resolving hostname " + argument + ".";
    case TNetStatus::hsConnecting:
        return "Connecting to " + argument + ".";
    case TNetStatus::hsConnected:
        return "Connected.";
    case TNetStatus::hsDisconnecting:
        return "Disconnecting.";
    case TNetStatus::hsDisconnected:
        return "Disconnected.";
    case TNetStatus::hsStatusText:
    case TNetStatus::ftpTransfer:
    case TNetStatus::ftpReady:
    case TNetStatus::ftpAborted:
        return argument;
    }
    return argument;
}

TNetComponent::TNetComponent() {
    AcquireStack();
}

TNetComponent::~TNetComponent() {
    ReleaseStack();
}

void TNetComponent::WorkStart(TWorkMode mode, std::int64_t maximum) {
    TWorkInfo& work = WorkOf(mode);
    if (++work.Level == 1) {
        work.Maximum = maximum;
        work.Total = 0;
        if (OnWorkBegin)
            OnWorkBegin(*this, mode, maximum);
    }
}

void TNetComponent::WorkProgress(TWorkMode mode, std::int64_t count) {
    TWorkInfo& work = WorkOf(mode);
    if (work.Level < 1)
        return;
    work.Total += count;
    if (OnWork)
        OnWork(*this, mode, work.Total);
}

void TNetComponent::WorkStop(TWorkMode mode) {
    TWorkInfo& work = WorkOf(mode);
    if (work.Level == 1 && OnWorkEnd)
        OnWorkEnd(*this, mode);
    // A stop without a start must not leave the level below zero, or the next start would
    // never be reported.
    if (work.Level > 0)
        --work.Level;
}

void TNetComponent::ReportStatus(TNetStatus status, const std::string& argument) {
    if (OnStatus)
        OnStatus(*this, status, StatusText(status, argument));
}

} // namespace corvalet
