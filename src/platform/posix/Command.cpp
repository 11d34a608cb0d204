#include "platform/Command.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace corvalet {

namespace {

// Waits for the child, killing it first when asked to.
int Reap(pid_t child, bool kill) {
    if (kill)
        ::kill(child, SIGKILL);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace

TCommandOutput RunShellCommand(const std::string& command, int timeoutMs, std::size_t maxOutput) {
    TCommandOutput result;
    int pipeEnds[2];
    if (::pipe2(pipeEnds, O_CLOEXEC) != 0)
        return result;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], 1);
    std::string shell = "/bin/sh";
    std::string flag = "-c";
    std::string text = command;
    char* argv[] = {shell.data(), flag.data(), text.data(), nullptr};
    pid_t child = -1;
    const int spawned = ::posix_spawn(&child, shell.c_str(), &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeEnds[1]);
    if (spawned != 0) {
        ::close(pipeEnds[0]);
        return result;
    }
    result.Started = true;

    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    char chunk[4096];
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              deadline - std::chrono::steady_clock::now())
                              .count();
        if (left <= 0) {
            result.TimedOut = true;
            break;
        }
        pollfd entry{pipeEnds[0], POLLIN, 0};
        const int ready = ::poll(&entry, 1, static_cast<int>(left));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready < 0)
            break;
        if (ready == 0)
            continue;
        const ssize_t n = ::read(pipeEnds[0], chunk, sizeof chunk);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        const std::size_t room = maxOutput - std::min(maxOutput, result.Output.size());
        result.Output.append(chunk, std::min(room, static_cast<std::size_t>(n)));
    }
    ::close(pipeEnds[0]);
    result.ExitStatus = Reap(child, result.TimedOut);
    if (result.TimedOut)
        result.ExitStatus = -1;
    return result;
}

} // namespace corvalet
