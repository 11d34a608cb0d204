#pragma once

#include <cstddef>
#include <functional>
#include <string>

namespace corvalet {

// What a command run through the shell gave: its standard output, and how it ended.
struct TCommandOutput {
    bool Started = false;
    bool TimedOut = false;
    // The exit status; -1 when it ended by a signal or did not end in time.
    int ExitStatus = -1;
    std::string Output;
};

// Runs `command` with /bin/sh -c, its input empty and its error output the program's own, and
// collects its standard output (at most `maxOutput` bytes are kept). A command still running
// after `timeoutMs` is killed, also one that closed its output but goes on running. While it runs,
// `whileWaiting` (when given) is called every `sliceMs` or sooner.
TCommandOutput RunShellCommand(const std::string& command, int timeoutMs, std::size_t maxOutput = 65536,
                               const std::function<void()>& whileWaiting = {}, int sliceMs = 100);

} // namespace corvalet
