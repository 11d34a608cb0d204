// The command line as typed: "/HIDE" as the first argument only, the program's own options, and
// what is left to Qt.

#include "app/CommandLine.h"

#include <gtest/gtest.h>

namespace corvalet {
namespace {

struct TCommandLineCase {
    std::vector<std::string> Arguments;
    TCommandMode Mode;
    bool Hide;
    std::string Address;
};

std::ostream& operator<<(std::ostream& out, const TCommandLineCase& c) {
    out << "corvalet";
    for (const std::string& argument : c.Arguments)
        out << " " << argument;
    return out;
}

class CommandLineTest : public ::testing::TestWithParam<TCommandLineCase> {};

TEST_P(CommandLineTest, ReadsTheRawArguments) {
    const TCommandLineCase& c = GetParam();
    const TCommandLine line = ParseCommandLine(c.Arguments);
    EXPECT_EQ(line.Mode, c.Mode) << line.Error;
    EXPECT_EQ(line.Hide, c.Hide);
    EXPECT_EQ(line.Address, c.Address);
    EXPECT_EQ(line.Error.empty(), c.Mode != TCommandMode::BadUsage);
}

using M = TCommandMode;

INSTANTIATE_TEST_SUITE_P(
    Cases, CommandLineTest,
    ::testing::Values(
        // The design's one switch: the first argument, any ASCII letter case.
        TCommandLineCase{{}, M::Run, false, ""}, TCommandLineCase{{"/HIDE"}, M::Run, true, ""},
        TCommandLineCase{{"/hide"}, M::Run, true, ""}, TCommandLineCase{{"/HiDe", "x"}, M::Run, true, ""},
        TCommandLineCase{{"/HIDE", "-platform", "offscreen"}, M::Run, true, ""},
        // Qt's options stand before it: it is not the first argument, so the window shows.
        TCommandLineCase{{"-platform", "offscreen", "/HIDE"}, M::Run, false, ""},
        TCommandLineCase{{"x", "/HIDE"}, M::Run, false, ""},
        // Only ASCII letters change case: a dotless i, a Turkish capital dotted I, a long s.
        TCommandLineCase{{"/h\xC4\xB1"
                          "de"},
                         M::Run,
                         false,
                         ""},
        TCommandLineCase{{"/H\xC4\xB0"
                          "DE"},
                         M::Run,
                         false,
                         ""},
        TCommandLineCase{{"/HIDE "}, M::Run, false, ""}, TCommandLineCase{{"-HIDE"}, M::Run, false, ""},
        TCommandLineCase{{"HIDE"}, M::Run, false, ""}, TCommandLineCase{{"-hide"}, M::Run, false, ""},
        // Qt's options, with one dash or two, are Qt's.
        TCommandLineCase{{"--platform", "offscreen"}, M::Run, false, ""},
        TCommandLineCase{{"-style", "fusion", "--reverse"}, M::Run, false, ""},
        TCommandLineCase{{"--qmljsdebugger=port:1234"}, M::Run, false, ""},
        // The program's own options.
        TCommandLineCase{{"--help"}, M::Help, false, ""},
        TCommandLineCase{{"--version"}, M::Version, false, ""},
        TCommandLineCase{{"--preview", "a@example.org"}, M::Preview, false, "a@example.org"},
        TCommandLineCase{
            {"--preview=a@example.org, b@example.org"}, M::Preview, false, "a@example.org, b@example.org"},
        TCommandLineCase{{"--send-now", "a@example.org"}, M::SendNow, false, "a@example.org"},
        TCommandLineCase{{"-platform", "offscreen", "--send-now", ""}, M::SendNow, false, ""},
        // A mode ends the program when done: no hidden start with it.
        TCommandLineCase{{"/HIDE", "--preview", "a@example.org"}, M::Preview, false, "a@example.org"},
        // Refused: unknown options, a missing address, two modes.
        TCommandLineCase{{"--hide"}, M::BadUsage, false, ""},
        TCommandLineCase{{"--"}, M::BadUsage, false, ""},
        TCommandLineCase{{"--help=x"}, M::BadUsage, false, ""},
        TCommandLineCase{{"/HIDE", "--verbose"}, M::BadUsage, false, ""},
        TCommandLineCase{{"--preview"}, M::BadUsage, false, ""},
        TCommandLineCase{{"--send-now"}, M::BadUsage, false, ""},
        TCommandLineCase{{"--help", "--version"}, M::BadUsage, false, ""},
        TCommandLineCase{
            {"--preview", "a@example.org", "--send-now", "a@example.org"}, M::BadUsage, false, ""}));

} // namespace
} // namespace corvalet
