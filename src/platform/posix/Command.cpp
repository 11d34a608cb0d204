#include "platform/Command.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace corvalet {

namespace {

using TSteadyClock = std::chrono::steady_clock;

int MillisecondsLeft(TSteadyClock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - TSteadyClock::now()).count();
    return static_cast<int>(std::max<long long>(left, 0));
}

// Calls `whileWaiting` once every `sliceMs`, however busy the wait is.
class TServicing {
public:
    TServicing(const std::function<void()>& whileWaiting, int sliceMs)
        : WhileWaiting(whileWaiting), Slice(std::chrono::milliseconds(std::max(sliceMs, 1))) {}

    void Tick() {
        if (!WhileWaiting || TSteadyClock::now() - Last < Slice)
            return;
        WhileWaiting();
        Last = TSteadyClock::now();
    }

private:
    const std::function<void()>& WhileWaiting;
    std::chrono::milliseconds Slice;
    TSteadyClock::time_point Last = TSteadyClock::now();
};

// Wipes the read buffer however the reading ends.
class TChunkWipe {
public:
    TChunkWipe(char* bytes, std::size_t size) : Bytes(bytes), Size(size) {}
    ~TChunkWipe() { ::explicit_bzero(Bytes, Size); }
    TChunkWipe(const TChunkWipe&) = delete;
    TChunkWipe& operator=(const TChunkWipe&) = delete;

private:
    char* Bytes;
    std::size_t Size;
};

// Reads the command's output until it closes it, the deadline passes (true) or reading fails.
bool ReadOutput(int from, TSteadyClock::time_point deadline, std::size_t maxOutput, std::string& output,
                TServicing& servicing, int sliceMs) {
    // The output may be a password: it is gathered in one buffer of its final size, so that no
    // growing leaves a copy behind, and the read buffer is wiped once the reading ends.
    output.reserve(maxOutput);
    char chunk[4096];
    const TChunkWipe wipe(chunk, sizeof chunk);
    for (;;) {
        servicing.Tick();
        const int left = MillisecondsLeft(deadline);
        if (left <= 0)
            return true;
        pollfd entry{from, POLLIN, 0};
        const int ready = ::poll(&entry, 1, std::min(left, sliceMs));
        if (ready < 0 && errno != EINTR)
            return false;
        if (ready <= 0)
            continue;
        const ssize_t n = ::read(from, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        const std::size_t room = maxOutput - std::min(maxOutput, output.size());
        output.append(chunk, std::min(room, static_cast<std::size_t>(n)));
    }
}

enum class TEnd { Ended, TimedOut, Unknown };

// Waits until the command ends or the deadline passes, looking every 10 ms.
TEnd AwaitEnd(pid_t child, TSteadyClock::time_point deadline, int& status, TServicing& servicing) {
    for (;;) {
        const pid_t ended = ::waitpid(child, &status, WNOHANG);
        if (ended == child)
            return TEnd::Ended;
        if (ended < 0 && errno != EINTR)
            return TEnd::Unknown;
        const int left = MillisecondsLeft(deadline);
        if (left <= 0)
            return TEnd::TimedOut;
        ::poll(nullptr, 0, std::min(left, 10));
        servicing.Tick();
    }
}

} // namespace

TCommandOutput RunShellCommand(const std::string& command, int timeoutMs, std::size_t maxOutput,
                               const std::function<void()>& whileWaiting, int sliceMs) {
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
    // The command gets a process group of its own, so that ending it ends what it started too.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);
    pid_t child = -1;
    const int spawned = ::posix_spawn(&child, shell.c_str(), &actions, &attributes, argv, environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeEnds[1]);
    if (spawned != 0) {
        ::close(pipeEnds[0]);
        return result;
    }
    result.Started = true;

    const auto deadline = TSteadyClock::now() + std::chrono::milliseconds(timeoutMs);
    sliceMs = std::max(sliceMs, 1);
    TServicing servicing(whileWaiting, sliceMs);
    int status = 0;
    // A command that closed its output may still be running: it has until the same deadline to end.
    const bool outputTimedOut = ReadOutput(pipeEnds[0], deadline, maxOutput, result.Output, servicing, sliceMs);
    ::close(pipeEnds[0]);
    const TEnd end = outputTimedOut ? TEnd::TimedOut : AwaitEnd(child, deadline, status, servicing);
    if (end == TEnd::TimedOut) {
        result.TimedOut = true;
        ::kill(-child, SIGKILL);
        while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
        }
        return result;
    }
    if (end == TEnd::Ended && WIFEXITED(status))
        result.ExitStatus = WEXITSTATUS(status);
    return result;
}

} // namespace corvalet
