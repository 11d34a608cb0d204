#include "ui/TerminationWatcher.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace corvalet {

namespace {

// The signal handler may only write a byte; the message loop reads it.
int SignalPipe[2] = {-1, -1};
constexpr int WatchedSignals[] = {SIGTERM, SIGINT, SIGHUP};

extern "C" void OnTerminationSignal(int) {
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(SignalPipe[0], &byte, 1);
    errno = saved;
}

} // namespace

TTerminationWatcher::TTerminationWatcher(std::function<void()> onRequest) : OnRequest(std::move(onRequest)) {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, SignalPipe) != 0)
        return;
    Notifier = std::make_unique<QSocketNotifier>(SignalPipe[1], QSocketNotifier::Read);
    connect(Notifier.get(), &QSocketNotifier::activated, this, &TTerminationWatcher::Drain);
    struct sigaction action {};
    action.sa_handler = OnTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int number : WatchedSignals)
        ::sigaction(number, &action, nullptr);
}

TTerminationWatcher::~TTerminationWatcher() {
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    for (const int number : WatchedSignals)
        ::sigaction(number, &action, nullptr);
    Notifier.reset();
    for (int& fd : SignalPipe) {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
}

void TTerminationWatcher::Drain() {
    char bytes[64];
    while (::read(SignalPipe[1], bytes, sizeof bytes) > 0) {
    }
    if (OnRequest)
        OnRequest();
}

} // namespace corvalet
