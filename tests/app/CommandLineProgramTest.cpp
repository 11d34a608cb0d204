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
    // `connection` gives the server's name and the keys of protection and login.
    explicit TProgramFolder(int port, const std::string& connection = "SMTPHost=127.0.0.1\r\n") {
        std::filesystem::copy_file(CORVALET_EXECUTABLE, Folder.File("corvalet"));
        Folder.Write("body.html", "<html><body>\r\n.A line with a leading full stop\r\n</body></html>\r\n");
        Folder.Write("figures.csv", "week,count\r\n49,12\r\n");
        Folder.Write("Corvalet.ini",
                     "[General]\r\nSenderName=Team Lead\r\nSenderAddress=Lead@Example.org\r\n"
                     "[Logging]\r\nMechanism=2\r\nFileName=Corvalet.log\r\n"
                     "[Connection]\r\n" + connection + "PortNumber=" + std::to_string(port) +
                         "\r\nTimeOut=1\r\n"
                         "[Message]\r\nBodyFileName=body.html\r\nPriority=1\r\n"
                         "Subject=Weekly figures\r\nAttachment=figures.csv\r\nContentType=0\r\n");
    }

    // Runs the program from another folder, without any display and without a secret store that
    // answers, and waits for its end. `environment` is what env gets before the program's name.
    TRun Run(const std::string& arguments, const std::string& environment = "-u QT_QPA_PLATFORM") const {
        const std::string command =
            "cd / && env -u DISPLAY -u WAYLAND_DISPLAY " + environment +
            " LC_ALL=C DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent '" +
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

// The command line's mailing is the session of a scheduled one: the protection, the trust file and
// the login of the settings, the password from the password command (no secret store answers here).
constexpr const char* LoginPassword = "cl-Secret-77";

struct TSecureCase {
    const char* Name;
    std::vector<std::string> ServerOptions;
    // The [Connection] keys besides the port; "TRUST" and "FOLDER" stand for the authority's file
    // and the folder of the password file.
    std::string Connection;
    int ExitCode;
    const char* Err; // a part of the error output; "" when it is to be empty
    bool Delivered;
};

std::ostream& operator<<(std::ostream& out, const TSecureCase& c) {
    return out << c.Name;
}

std::string Replaced(std::string text, const std::string& what, const std::string& with) {
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + with.size()))
        text.replace(at, what.size(), with);
    return text;
}

class CommandLineSecurityTest : public ::testing::TestWithParam<TSecureCase> {};

TEST_P(CommandLineSecurityTest, SendNowHasTheSessionOfTheSettings) {
    const TSecureCase& c = GetParam();
    TAiosmtpdServer server(c.ServerOptions);
    TTempDir secrets;
    secrets.Write("password.txt", std::string(LoginPassword) + "\n");
    std::string connection = Replaced(c.Connection, "TRUST", server.AuthorityFile());
    connection = Replaced(connection, "FOLDER", secrets.Path().string());
    TProgramFolder program(server.Port(), connection);

    const TRun run = program.Run("--send-now a@example.org");
    EXPECT_EQ(run.ExitCode, c.ExitCode) << run.Out << run.Err;
    if (*c.Err == '\0') {
        EXPECT_EQ(run.Err, "");
    } else {
        EXPECT_NE(run.Err.find(c.Err), std::string::npos) << run.Err;
    }
    EXPECT_EQ(server.WaitForDelivery(1, c.Delivered ? 5000 : 0), c.Delivered);
    const std::string commands = server.CommandLog();
    if (c.Delivered) {
        EXPECT_EQ(server.Envelope(1), (std::vector<std::string>{"lead@example.org", "a@example.org"}));
        // Logged in, and over TLS: STARTTLS (when asked for) came before the login, the login
        // before the message.
        const std::size_t login = commands.find("AUTH ");
        ASSERT_NE(login, std::string::npos) << commands;
        EXPECT_LT(login, commands.find("MAIL FROM"));
        if (connection.find("Security=1") != std::string::npos) {
            EXPECT_LT(commands.find("STARTTLS"), login) << commands;
        }
    }
    // An unknown protection is refused before any connection.
    if (run.Err.find("Unknown Security setting") != std::string::npos) {
        EXPECT_EQ(commands, "");
    }
    for (const std::string& text : {run.Out, run.Err, program.Log(), commands})
        EXPECT_EQ(text.find(LoginPassword), std::string::npos) << text;
}

const std::string StartTLSLogin = "SMTPHost=localhost\r\nSecurity=1\r\nUserName=ann\r\n"
                                  "PasswordCommand=cat FOLDER/password.txt\r\nTrustFile=TRUST\r\n";

INSTANTIATE_TEST_SUITE_P(
    Cases, CommandLineSecurityTest,
    ::testing::Values(
        TSecureCase{"STARTTLS and a login", {"--security", "starttls", "--login", "ann", LoginPassword},
                    StartTLSLogin, 0, "", true},
        TSecureCase{"TLS from the first byte and a login", {"--security", "tls", "--login", "ann", LoginPassword},
                    "SMTPHost=localhost\r\nSecurity=2\r\nUserName=ann\r\n"
                    "PasswordCommand=cat FOLDER/password.txt\r\nTrustFile=TRUST\r\n",
                    0, "", true},
        TSecureCase{"a wrong password", {"--security", "starttls", "--login", "ann", "another"}, StartTLSLogin, 1,
                    "The server refused the login", false},
        TSecureCase{"no password to be had", {"--security", "starttls", "--login", "ann", LoginPassword},
                    "SMTPHost=localhost\r\nSecurity=1\r\nUserName=ann\r\nTrustFile=TRUST\r\n", 1,
                    "No password for ann at localhost", false},
        TSecureCase{"an authority the settings do not trust", {"--security", "starttls"},
                    "SMTPHost=localhost\r\nSecurity=1\r\n", 1, "not trusted", false},
        TSecureCase{"a later version's security", {}, "SMTPHost=127.0.0.1\r\nSecurity=3\r\n", 1,
                    "Unknown Security setting 3: choose None, STARTTLS or TLS", false},
        TSecureCase{"a security that is no number", {}, "SMTPHost=127.0.0.1\r\nSecurity=starttls\r\n", 1,
                    "Unknown Security setting: choose None, STARTTLS or TLS", false}));

// The preview shows the session it would have, never the password, and asks no one for it.
TEST(CommandLinePreviewTest, PreviewNamesTheProtectionAndTheLoginWithoutThePassword) {
    TAiosmtpdServer server({"--security", "starttls", "--login", "ann", LoginPassword});
    TTempDir secrets;
    secrets.Write("password.txt", std::string(LoginPassword) + "\n");
    const std::string folder = secrets.Path().string();
    TProgramFolder program(server.Port(),
                           "SMTPHost=localhost\r\nSecurity=1\r\nUserName=ann\r\nPasswordCommand=touch " + folder +
                               "/asked; cat " + folder + "/password.txt\r\nTrustFile=" + server.AuthorityFile() +
                               "\r\n");
    const TRun preview = program.Run("--preview a@example.org");
    ASSERT_EQ(preview.ExitCode, 0) << preview.Err;
    const std::string session = preview.Out.substr(0, preview.Out.find("\r\n\r\n") + 2);
    EXPECT_EQ(session, "Server: localhost port " + std::to_string(server.Port()) +
                           "\r\n"
                           "Protection: STARTTLS (switched to TLS before the login and the message); the "
                           "server's certificate must be trusted by the system or by " +
                           server.AuthorityFile() +
                           " and issued for localhost\r\n"
                           "Login: ann (the password is asked for only when the message is sent)\r\n");
    EXPECT_NE(preview.Out.find("\r\n\r\nMAIL FROM:<lead@example.org>\r\nRCPT TO:<a@example.org>\r\n\r\n"),
              std::string::npos)
        << preview.Out;
    EXPECT_EQ(preview.Out.find(LoginPassword), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(secrets.File("asked")));
    EXPECT_EQ(server.CommandLog(), "");

    // Settings without protection or login say so.
    program.Folder.Write("Corvalet.ini", "[General]\r\nSenderAddress=lead@example.org\r\n"
                                         "[Connection]\r\nSMTPHost=127.0.0.1\r\nPortNumber=2525\r\n");
    const TRun plain = program.Run("--preview a@example.org");
    ASSERT_EQ(plain.ExitCode, 0) << plain.Err;
    EXPECT_EQ(plain.Out.rfind("Server: 127.0.0.1 port 2525\r\nProtection: none (plain SMTP: nothing is "
                              "encrypted)\r\nLogin: none\r\n\r\nMAIL FROM:",
                              0),
              0u)
        << plain.Out;
}

} // namespace
} // namespace corvalet
