#pragma once

#include <string>
#include <vector>

namespace corvalet {

// What the command line asks for.
enum class TCommandMode {
    Run,      // the resident program (with the window, or hidden with "/HIDE")
    Help,     // --help: usage and the folders in use
    Version,  // --version
    Preview,  // --preview ADDRESS: the message "Send Now!" would send, written out, nothing sent
    SendNow,  // --send-now ADDRESS: send it, log it, report it, end
    BadUsage, // an unknown option or a missing address: usage, exit code 2
};

struct TCommandLine {
    TCommandMode Mode = TCommandMode::Run;
    // "/HIDE" was the first argument.
    bool Hide = false;
    // The address of --preview and --send-now, as given.
    std::string Address;
    // Why the command line was refused (BadUsage).
    std::string Error;
};

// True when `argument` is "/HIDE" in any mix of ASCII letter case ("/hide", "/Hide"); other
// letters do not count ("/hıde" with a dotless i is no switch).
bool IsHideSwitch(const std::string& argument);

// Reads the raw command line, before Qt takes its own options from it: `arguments` are the
// arguments after the program's name. "/HIDE" counts only as the very first one, so
// "-platform offscreen /HIDE" starts with the window. The program's options start with "--";
// one that is neither the program's nor Qt's is refused. Single-dash arguments and anything else
// are left to Qt and the window, as the design's one switch always left them.
TCommandLine ParseCommandLine(const std::vector<std::string>& arguments);

// The usage lines of --help and of a refused command line; `program` is the name to show.
std::string UsageText(const std::string& program);

} // namespace corvalet
