// Runs the built program itself, hidden on Qt's offscreen platform, against a real SMTP server.

#include "platform/TextFile.h"
#include "support/AiosmtpdServer.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <ctime>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace corvalet {
namespace {

using test::TAiosmtpdServer;
using test::TTempDir;

// The running program, ended when the test is over however it ends.
class TRunningProgram {
public:
    // `environment` replaces the variables it names (a bare "NAME" removes one); the rest are kept.
    TRunningProgram(const std::string& executable, const std::vector<std::string>& arguments,
                    const std::vector<std::string>& environment) {
        std::vector<std::string> texts{executable};
        texts.insert(texts.end(), arguments.begin(), arguments.end());
        std::vector<char*> argv;
        for (std::string& text : texts)
            argv.push_back(text.data());
        argv.push_back(nullptr);
        std::vector<std::string> variables;
        for (const std::string& setting : environment)
            if (setting.find('=') != std::string::npos)
                variables.push_back(setting);
        for (char** variable = environ; *variable != nullptr; ++variable) {
            const std::string text = *variable;
            const bool replaced =
                std::any_of(environment.begin(), environment.end(), [&](const std::string& name) {
                    const std::string key = name.substr(0, name.find('='));
                    return text.rfind(key + "=", 0) == 0;
                });
            if (!replaced)
                variables.push_back(text);
        }
        std::vector<char*> envp;
        for (std::string& text : variables)
            envp.push_back(text.data());
        envp.push_back(nullptr);
        if (::posix_spawn(&Pid, executable.c_str(), nullptr, nullptr, argv.data(), envp.data()) != 0)
            Pid = -1;
    }
    ~TRunningProgram() { End(); }
    TRunningProgram(const TRunningProgram&) = delete;
    TRunningProgram& operator=(const TRunningProgram&) = delete;

    bool Started() const { return Pid > 0; }
    bool StillRunning() { return Pid > 0 && ::waitpid(Pid, nullptr, WNOHANG) == 0; }
    // Asks the program to end as the system does at logout; true when it ended by itself, with
    // exit code 0, within two seconds.
    bool End() {
        if (Pid <= 0)
            return false;
        ::kill(Pid, SIGTERM);
        int status = 0;
        bool ended = false;
        for (int i = 0; i < 100 && !ended; ++i) {
            ended = ::waitpid(Pid, &status, WNOHANG) == Pid;
            if (!ended)
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        if (!ended) {
            ::kill(Pid, SIGKILL);
            ::waitpid(Pid, nullptr, 0);
        }
        Pid = -1;
        return ended && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }

private:
    pid_t Pid = -1;
};

std::string TimeText(std::time_t when) {
    std::tm local{};
    ::localtime_r(&when, &local);
    char text[16];
    std::snprintf(text, sizeof text, "%02d : %02d", local.tm_hour, local.tm_min);
    return text;
}

bool WaitForLogLine(const std::string& path, const std::string& part, std::chrono::seconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < deadline) {
        std::string log;
        if (ReadFileBytes(path, log) && log.find(part) != std::string::npos)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

// Starts the built program from a fresh folder with a settings file whose one row is due now, and
// checks that the message arrives and the log says so.
// With `secure` the server wants STARTTLS and a login, and the password comes from the password
// command (no secret store answers here).
void ExpectDueRowMailedAndLogged(const std::vector<std::string>& arguments,
                                 const std::vector<std::string>& environment, bool secure = false) {
    TTempDir folder;
    const std::string password = "e2e-Secret";
    TAiosmtpdServer catcher(secure ? std::vector<std::string>{"--security", "starttls", "--login", "ann", password}
                                   : std::vector<std::string>{});
    const std::string connection =
        secure ? "SMTPHost=localhost\r\nSecurity=1\r\nUserName=ann\r\nPasswordCommand=echo " + password +
                     "\r\nTrustFile=" + catcher.AuthorityFile() + "\r\n"
               : "SMTPHost=127.0.0.1\r\n";
    const std::filesystem::path program = folder.File("corvalet");
    std::filesystem::copy_file(CORVALET_EXECUTABLE, program);

    // One row due in this minute and one in the next, so that the program's first tick finds one
    // of them even when a minute begins while it starts.
    const std::time_t now = std::time(nullptr);
    folder.Write("body.html", "<html><body><p>The weekly figures are ready.</p></body></html>\r\n");
    folder.Write("Corvalet.ini", "[General]\r\n"
                                 "SenderName=Corvalet Demo\r\n"
                                 "SenderAddress=Demo@Example.org\r\n"
                                 "RecipientCount=2\r\n"
                                 "RecipientAddress0=first@example.org\r\n"
                                 "RecipientTime0=" +
                                     TimeText(now) +
                                     "\r\n"
                                     "RecipientEmailFreq0=Daily\r\n"
                                     "RecipientDistrMeth0=BCC\r\n"
                                     "RecipientAddress1=second@example.org\r\n"
                                     "RecipientTime1=" +
                                     TimeText(now + 60) +
                                     "\r\n"
                                     "RecipientEmailFreq1=Daily\r\n"
                                     "RecipientDistrMeth1=BCC\r\n"
                                     "[Logging]\r\nMechanism=2\r\nFileName=Corvalet.log\r\n"
                                     "[Connection]\r\n" + connection + "PortNumber=" +
                                     std::to_string(catcher.Port()) +
                                     "\r\nTimeOut=1\r\n"
                                     "[Message]\r\nBodyFileName=body.html\r\nPriority=2\r\n"
                                     "Subject=Weekly figures\r\nContentType=0\r\n");

    TRunningProgram corvalet(program.string(), arguments, environment);
    ASSERT_TRUE(corvalet.Started());
    ASSERT_TRUE(catcher.WaitForDelivery(1, 20000));
    const std::vector<std::string> envelope = catcher.Envelope(1);
    ASSERT_EQ(envelope.size(), 2u);
    EXPECT_EQ(envelope[0], "demo@example.org");
    const std::string recipient = envelope[1];
    EXPECT_TRUE(recipient == "first@example.org" || recipient == "second@example.org") << recipient;
    std::string message;
    ASSERT_TRUE(ReadFileBytes(catcher.MessagePath(1), message));
    EXPECT_NE(message.find("\r\nSubject: Weekly figures\r\n"), std::string::npos) << message;
    EXPECT_NE(message.find("The weekly figures are ready."), std::string::npos);
    EXPECT_EQ(message.find("\nTo:"), std::string::npos);
    EXPECT_EQ(message.find("\nCc:"), std::string::npos);

    EXPECT_TRUE(WaitForLogLine(folder.File("Corvalet.log").string(),
                               " - Successfully send the e-mail to " + recipient + ".\r\n",
                               std::chrono::seconds(10)));
    EXPECT_TRUE(corvalet.StillRunning());
    EXPECT_TRUE(corvalet.End()) << "the program did not end cleanly when asked to";
    if (secure) {
        std::string log;
        ReadFileBytes(folder.File("Corvalet.log").string(), log);
        EXPECT_EQ(log.find(password), std::string::npos);
        EXPECT_EQ(catcher.CommandLog().find(password), std::string::npos);
        EXPECT_NE(catcher.CommandLog().find("STARTTLS"), std::string::npos);
    }
}

TEST(EndToEndTest, HiddenProgramMailsTheDueRowAndLogsIt) {
    ExpectDueRowMailedAndLogged({"/HIDE"}, {"QT_QPA_PLATFORM=offscreen", "LC_ALL=C"});
}

// Without any display the program runs hidden by itself: a window counted as shown would stop
// the schedule for good.
TEST(EndToEndTest, HiddenProgramMailsOverSTARTTLSWithALogin) {
    ExpectDueRowMailedAndLogged({"/HIDE"},
                                {"QT_QPA_PLATFORM=offscreen", "LC_ALL=C", "DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent"},
                                true);
}

TEST(EndToEndTest, WithoutADisplayTheProgramRunsHiddenAndMails) {
    ExpectDueRowMailedAndLogged({}, {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY", "LC_ALL=C"});
}

} // namespace
} // namespace corvalet
