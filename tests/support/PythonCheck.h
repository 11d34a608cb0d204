#pragma once

#include <string>
#include <vector>

namespace corvalet::test {

struct TPythonResult {
    int ExitCode = -1;
    std::string Output;
};

// Runs tests/support/check_message.py with the system's /usr/bin/python3 and the given arguments;
// the output says what did not hold.
TPythonResult RunMessageCheck(const std::vector<std::string>& arguments);

} // namespace corvalet::test
