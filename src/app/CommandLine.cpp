#include "app/CommandLine.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace corvalet {

namespace {

constexpr std::string_view HideSwitch = "/HIDE";

// Qt's own options, which Qt also takes with two dashes ("--platform offscreen").
constexpr std::array<std::string_view, 22> QtOptions = {"platform",
                                                        "platformpluginpath",
                                                        "platformtheme",
                                                        "plugin",
                                                        "qwindowgeometry",
                                                        "qwindowicon",
                                                        "qwindowtitle",
                                                        "reverse",
                                                        "session",
                                                        "style",
                                                        "stylesheet",
                                                        "widgetcount",
                                                        "display",
                                                        "geometry",
                                                        "name",
                                                        "title",
                                                        "visual",
                                                        "ncols",
                                                        "cmap",
                                                        "nograb",
                                                        "dograb",
                                                        "sync"};

char AsciiUpper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool IsQtOption(std::string_view name) {
    // Qt's QML debugger takes its value after "=".
    if (name.rfind("qmljsdebugger", 0) == 0)
        return true;
    return std::find(QtOptions.begin(), QtOptions.end(), name) != QtOptions.end();
}

TCommandLine Refused(std::string error) {
    TCommandLine line;
    line.Mode = TCommandMode::BadUsage;
    line.Error = std::move(error);
    return line;
}

} // namespace

bool IsHideSwitch(const std::string& argument) {
    if (argument.size() != HideSwitch.size())
        return false;
    for (std::size_t i = 0; i < argument.size(); ++i) {
        if (AsciiUpper(argument[i]) != HideSwitch[i])
            return false;
    }
    return true;
}

TCommandLine ParseCommandLine(const std::vector<std::string>& arguments) {
    TCommandLine line;
    line.Hide = !arguments.empty() && IsHideSwitch(arguments.front());
    bool modeGiven = false;
    std::string modeName;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument.rfind("--", 0) != 0)
            continue;
        const std::string name = argument.substr(0, argument.find('='));
        TCommandMode mode;
        if (name == "--help" && name == argument)
            mode = TCommandMode::Help;
        else if (name == "--version" && name == argument)
            mode = TCommandMode::Version;
        else if (name == "--preview")
            mode = TCommandMode::Preview;
        else if (name == "--send-now")
            mode = TCommandMode::SendNow;
        else if (IsQtOption(name.substr(2)))
            continue;
        else
            return Refused("unknown option " + argument);

        if (modeGiven)
            return Refused(name + " cannot be combined with " + modeName);
        modeGiven = true;
        modeName = name;
        line.Mode = mode;
        if (mode == TCommandMode::Preview || mode == TCommandMode::SendNow) {
            if (name != argument) {
                line.Address = argument.substr(name.size() + 1);
            } else if (i + 1 < arguments.size()) {
                line.Address = arguments[++i];
            } else {
                return Refused(name + " needs an address");
            }
        }
    }
    if (line.Mode != TCommandMode::Run)
        line.Hide = false;
    return line;
}

std::string UsageText(const std::string& program) {
    return "Usage: " + program + " [/HIDE] [Qt options]\n" + "       " + program +
           " --preview ADDRESS | --send-now ADDRESS | --help | --version\n"
           "\n"
           "  /HIDE               as the first argument: start with only the icon in the notification\n"
           "                      area; the schedule runs from the start\n"
           "  --preview ADDRESS   write what \"Send Now!\" would send to ADDRESS with the saved settings:\n"
           "                      the envelope (MAIL FROM and one RCPT TO a line), an empty line, then\n"
           "                      the message; nothing is sent\n"
           "  --send-now ADDRESS  send the message to ADDRESS as \"Send Now!\" does, log the outcome as a\n"
           "                      hidden mailing is logged and print it; exit code 0 when it was sent\n"
           "  --help              show this text and the folders in use\n"
           "  --version           show the program's version\n"
           "\n"
           "Qt's own options take one dash (-platform offscreen). An unknown option ends the program\n"
           "with exit code 2; a mailing that fails, with exit code 1.\n";
}

} // namespace corvalet
