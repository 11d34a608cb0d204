// Runs the built program itself, hidden on Qt's offscreen platform, against a real SMTP server.

#include "platform/TextFile.h"
#include "support/AiosmtpdServer.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <sys/stat.h>
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
    // With `errorFile` the program's standard error goes to that file.
    TRunningProgram(const std::string& executable, const std::vector<std::string>& arguments,
                    const std::vector<std::string>& environment, const std::string& errorFile = {}) {
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
        posix_spawn_file_actions_t actions;
        ::posix_spawn_file_actions_init(&actions);
        if (!errorFile.empty())
            ::posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errorFile.c_str(),
                                               O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (::posix_spawn(&Pid, executable.c_str(), &actions, nullptr, argv.data(), envp.data()) != 0)
            Pid = -1;
        ::posix_spawn_file_actions_destroy(&actions);
    }
    ~TRunningProgram() { End(); }
    TRunningProgram(const TRunningProgram&) = delete;
    TRunningProgram& operator=(const TRunningProgram&) = delete;

    bool Started() const { return Pid > 0; }
    bool StillRunning() { return Pid > 0 && ::waitpid(Pid, nullptr, WNOHANG) == 0; }
    // The exit code once the program ended by itself within `timeout`; -1 otherwise.
    int ExitCode(std::chrono::milliseconds timeout) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        int status = 0;
        while (Pid > 0 && std::chrono::steady_clock::now() < deadline) {
            if (::waitpid(Pid, &status, WNOHANG) == Pid) {
                Pid = -1;
                return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return -1;
    }
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
const std::string Password = "e2e-Secret";

// Puts a copy of the program in `folder` with a settings file whose first row is due now and
// whose second row is due in the next minute, mailing through `catcher`; gives the copy's path.
std::filesystem::path PrepareProgram(const TTempDir& folder, TAiosmtpdServer& catcher, bool secure) {
    const std::string& password = Password;
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
    return program;
}

void ExpectDueRowMailedAndLogged(const std::vector<std::string>& arguments,
                                 const std::vector<std::string>& environment, bool secure = false) {
    TTempDir folder;
    const std::string& password = Password;
    TAiosmtpdServer catcher(secure ? std::vector<std::string>{"--security", "starttls", "--login", "ann", password}
                                   : std::vector<std::string>{});
    const std::filesystem::path program = PrepareProgram(folder, catcher, secure);
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

// True once some process holds the lock file of the folder (read from the system's list of locks, so
// that looking takes no lock that the program could find taken).
bool FolderIsClaimed(const std::filesystem::path& folder, std::chrono::seconds timeout) {
    const std::filesystem::path lockFile = folder / ".Corvalet.lock";
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < deadline) {
        // The program makes its lock file first and then locks it.
        struct stat status {};
        if (::stat(lockFile.c_str(), &status) != 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            continue;
        }
        const std::string inode = ":" + std::to_string(status.st_ino) + " ";
        std::ifstream locks("/proc/locks");
        for (std::string line; std::getline(locks, line);)
            if (line.find("FLOCK") != std::string::npos && line.find(inode) != std::string::npos)
                return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

// Started again on the same settings (at log-in and by hand, say), the program would mail every
// due row twice: the second one says so and ends, the first goes on mailing.
TEST(EndToEndTest, ASecondProgramOnTheSameSettingsEndsAndTheFirstMails) {
    TTempDir folder;
    TAiosmtpdServer catcher;
    const std::filesystem::path program = PrepareProgram(folder, catcher, false);
    const std::vector<std::string> environment{"QT_QPA_PLATFORM=offscreen", "LC_ALL=C"};
    TRunningProgram first(program.string(), {"/HIDE"}, environment);
    ASSERT_TRUE(first.Started());
    ASSERT_TRUE(FolderIsClaimed(folder.Path(), std::chrono::seconds(20)));

    TRunningProgram second(program.string(), {"/HIDE"}, environment, folder.File("second.err").string());
    ASSERT_TRUE(second.Started());
    EXPECT_EQ(second.ExitCode(std::chrono::seconds(20)), 1);
    // Qt may say things of its own on the same stream.
    EXPECT_NE(folder.Read("second.err")
                  .find("Corvalet is already running with the settings in " + folder.Folder() +
                        "; its icon is in the notification area.\n"),
              std::string::npos)
        << folder.Read("second.err");

    ASSERT_TRUE(catcher.WaitForDelivery(1, 20000));
    EXPECT_TRUE(first.StillRunning());
    EXPECT_TRUE(first.End());
}

} // namespace
} // namespace corvalet
