// The built program's command-line modes, run as a script would run them: no display, exit codes,
// and a preview that is exactly what the server then receives.

#include "platform/TextFile.h"
#include "support/AiosmtpdServer.h"
#include "support/PythonCheck.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sys/wait.h>

namespace corvalet {
namespace {

using test::TAiosmtpdServer;
using test::TTempDir;

constexpr int ClosedPort = 1;

struct TRun {
    int ExitCode = -1;
    std::string Out;
    std::string Err;
};

// A portable Corvalet folder: the program, its settings, a body file with a line that starts with
// a full stop, and an attachment.
class TProgramFolder {
public:
    explicit TProgramFolder(int port) {
        std::filesystem::copy_file(CORVALET_EXECUTABLE, Folder.File("corvalet"));
        Folder.Write("body.html", "<html><body>\r\n.A line with a leading full stop\r\n</body></html>\r\n");
        Folder.Write("figures.csv", "week,count\r\n49,12\r\n");
        Folder.Write("Corvalet.ini",
                     "[General]\r\nSenderName=Team Lead\r\nSenderAddress=Lead@Example.org\r\n"
                     "[Logging]\r\nMechanism=2\r\nFileName=Corvalet.log\r\n"
                     "[Connection]\r\nSMTPHost=127.0.0.1\r\nPortNumber=" +
                         std::to_string(port) +
                         "\r\nTimeOut=1\r\n"
                         "[Message]\r\nBodyFileName=body.html\r\nPriority=1\r\n"
                         "Subject=Weekly figures\r\nAttachment=figures.csv\r\nContentType=0\r\n");
    }

    // Runs the program from another folder, without any display, and waits for its end.
    // `environment` is what env gets before the program's name.
    TRun Run(const std::string& arguments, const std::string& environment = "-u QT_QPA_PLATFORM") const {
        const std::string command =
            "cd / && env -u DISPLAY -u WAYLAND_DISPLAY " + environment + " LC_ALL=C '" +
            Folder.File("corvalet").string() + "' " + arguments + " > '" + Folder.File("out").string() +
            "' 2> '" + Folder.File("err").string() + "'";
        const int status = std::system(command.c_str());
        TRun run;
        run.ExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        ReadFileBytes(Folder.File("out").string(), run.Out);
        ReadFileBytes(Folder.File("err").string(), run.Err);
        return run;
    }
    std::string Log() const {
        std::string log;
        ReadFileBytes(Folder.File("Corvalet.log").string(), log);
        return log;
    }

    TTempDir Folder;
};

struct TModeCase {
    const char* Arguments;
    bool ServerPort; // else a port where nobody listens
    bool BodyPresent;
    int ExitCode;
    const char* Out; // a part of the standard output
    const char* Err; // a part of the error output
    const char* Log; // a part of the log; "" for no log file
};

std::ostream& operator<<(std::ostream& out, const TModeCase& c) {
    return out << "corvalet " << c.Arguments;
}

class CommandLineModeTest : public ::testing::TestWithParam<TModeCase> {};

TEST_P(CommandLineModeTest, ExitCodeOutputAndLog) {
    const TModeCase& c = GetParam();
    TAiosmtpdServer server;
    TProgramFolder program(c.ServerPort ? server.Port() : ClosedPort);
    if (!c.BodyPresent)
        std::filesystem::remove(program.Folder.File("body.html"));

    const TRun run = program.Run(c.Arguments);
    EXPECT_EQ(run.ExitCode, c.ExitCode) << run.Err;
    EXPECT_NE(run.Out.find(c.Out), std::string::npos) << run.Out;
    EXPECT_NE(run.Err.find(c.Err), std::string::npos) << run.Err;
    if (*c.Log == '\0')
        EXPECT_FALSE(std::filesystem::exists(program.Folder.File("Corvalet.log")));
    else
        EXPECT_NE(program.Log().find(c.Log), std::string::npos) << program.Log();
    // Nothing but --send-now reaches the server.
    EXPECT_EQ(server.WaitForDelivery(1, 0),
              c.ServerPort && c.ExitCode == 0 && std::string(c.Arguments).rfind("--send-now", 0) == 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CommandLineModeTest,
    ::testing::Values(
        TModeCase{"--version", true, true, 0, "Corvalet 0.1", "", ""},
        TModeCase{"--help", true, true, 0, "Settings folder: /", "", ""},
        TModeCase{"--help", true, true, 0, "Corvalet.log", "", ""},
        TModeCase{"--bogus", true, true, 2, "", "unknown option --bogus\n\nUsage:", ""},
        TModeCase{"--preview", true, true, 2, "", "--preview needs an address", ""},
        TModeCase{"--preview a@example.org", true, true, 0, "RCPT TO:<a@example.org>\r\n\r\nFrom: ", "", ""},
        TModeCase{"--preview a@example.org", true, false, 1, "", "Cannot open file \"/", ""},
        TModeCase{"--preview '<a@example.org> b@example.org'", true, true, 1, "", "@ Outside address", ""},
        TModeCase{"--preview ''", true, true, 1, "", "The recipient's address may not be empty!", ""},
        TModeCase{"--send-now a@example.org", true, true, 0, "Successfully send the e-mail to a@example.org.",
                  "", " - Successfully send the e-mail to a@example.org."},
        TModeCase{"--send-now a@example.org", false, true, 1, "", "Connection refused", "ERROR:       "},
        TModeCase{"--send-now a@example.org", true, false, 1, "", "Cannot open file", "FATAL ERROR: "}));

// The modes never start the window toolkit: with a platform that does not exist, starting it would
// end the program with an error, and its plugin loader would report what it looked for.
TEST(CommandLineModesWithoutToolkitTest, ModesRunWhereNoWindowPlatformCanLoad) {
    TAiosmtpdServer server;
    TProgramFolder program(server.Port());
    for (const char* arguments : {"--version", "--help", "--preview a@example.org", "--send-now a@example.org"}) {
        const TRun run = program.Run(arguments, "QT_QPA_PLATFORM=no-such-platform QT_DEBUG_PLUGINS=1");
        EXPECT_EQ(run.ExitCode, 0) << arguments << ": " << run.Err;
        EXPECT_EQ(run.Err, "") << arguments;
    }
    EXPECT_TRUE(server.WaitForDelivery(1));
}

TEST(CommandLinePreviewTest, PreviewIsWhatSendNowDelivers) {
    TAiosmtpdServer server;
    TProgramFolder program(server.Port());
    const TRun preview = program.Run("--preview 'Ann <ann@example.org>, bob@example.org'");
    ASSERT_EQ(preview.ExitCode, 0) << preview.Err;
    program.Folder.Write("preview.txt", preview.Out);
    const TRun sent = program.Run("--send-now 'Ann <ann@example.org>, bob@example.org'");
    ASSERT_EQ(sent.ExitCode, 0) << sent.Err;
    ASSERT_TRUE(server.WaitForDelivery(1));

    std::string envelope = server.MessagePath(1);
    envelope.replace(envelope.size() - 3, 3, "envelope");
    const test::TPythonResult check = test::RunMessageCheck(
        {"preview", program.Folder.File("preview.txt").string(), server.MessagePath(1), envelope});
    EXPECT_EQ(check.ExitCode, 0) << check.Output;
}

} // namespace
} // namespace corvalet
