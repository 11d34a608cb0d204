#include "support/PythonCheck.h"

#include <cstdio>
#include <sys/wait.h>

namespace corvalet::test {

namespace {

std::string ShellQuoted(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) {
        if (c == '\'')
            quoted += "'\\''";
        else
            quoted += c;
    }
    return quoted + "'";
}

} // namespace

TPythonResult RunMessageCheck(const std::vector<std::string>& arguments) {
    std::string command = "/usr/bin/python3 " + ShellQuoted(CORVALET_TEST_SUPPORT_DIR "/check_message.py");
    for (const std::string& argument : arguments)
        command += " " + ShellQuoted(argument);
    command += " 2>&1";
    TPythonResult result;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr)
        return result;
    char buffer[4096];
    std::size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        result.Output.append(buffer, got);
    const int status = pclose(pipe);
    result.ExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

} // namespace corvalet::test
