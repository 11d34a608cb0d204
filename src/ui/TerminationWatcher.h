#pragma once

#include <QObject>
#include <QSocketNotifier>

#include <functional>
#include <memory>

namespace corvalet {

// Turns the system's requests to end the program (SIGTERM at logout or from `kill`, SIGINT,
// SIGHUP) into a call on the message loop, so that they end it as "Exit" does: never from under
// a running mailing, nothing half-written. One watcher per program.
class TTerminationWatcher final : public QObject {
public:
    explicit TTerminationWatcher(std::function<void()> onRequest);
    ~TTerminationWatcher() override;
    TTerminationWatcher(const TTerminationWatcher&) = delete;
    TTerminationWatcher& operator=(const TTerminationWatcher&) = delete;

private:
    void Drain();

    std::function<void()> OnRequest;
    std::unique_ptr<QSocketNotifier> Notifier;
};

} // namespace corvalet
