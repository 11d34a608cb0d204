#include "app/PasswordSource.h"
#include "net/AntiFreeze.h"
#include "support/TempDir.h"

#include <chrono>

#include <map>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace corvalet {
namespace {

// A settings file of the user's own, in a folder of the user's own.
std::string OwnSettingsFile() {
    static const test::TTempDir folder;
    return folder.File("Corvalet.ini").string();
}

std::string Outcome(const std::string& command, int timeoutMs = 5000,
                    const std::string& settingsFile = OwnSettingsFile()) {
    TCommandPasswordSource source([&command] { return command; }, settingsFile, timeoutMs);
    try {
        return "password " + source.Password("mail.test", "ann");
    } catch (const EPasswordUnavailable& error) {
        return error.what();
    }
}

TEST(CommandPasswordSourceTest, FirstLineOfTheOutputOrAClearReason) {
    const struct {
        const char* command;
        const char* outcome;
    } cases[] = {
        {"echo 'p a ss'", "password p a ss"},
        {"printf 'first\\r\\nsecond\\n'", "password first"},
        {"printf 'no line end'", "password no line end"},
        {"", "No password for ann at mail.test: no password command is set"},
        {"true", "The password command for ann at mail.test gave no password"},
        {"echo secret; exit 3", "The password command for ann at mail.test failed with exit status 3"},
        {"read line; echo \"[$line]\"", "password []"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Outcome(c.command), c.outcome) << c.command;
}

TEST(CommandPasswordSourceTest, ACommandThatHangsIsEndedInTime) {
    // Also one that has closed its output but goes on running, and what the command started.
    for (const char* command : {"sleep 5", "echo secret; exec >&-; sleep 30", "sleep 30 & echo secret; wait"}) {
        const auto started = std::chrono::steady_clock::now();
        EXPECT_EQ(Outcome(command, 200), "The password command for ann at mail.test did not end in time")
            << command;
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(4)) << command;
    }
}

// The windows are serviced while the command runs, as while a mailing waits on the network.
TEST(CommandPasswordSourceTest, TheWindowsStayAliveWhileTheCommandRuns) {
    TNetAntiFreeze freeze;
    freeze.IdleTimeOut = 20;
    int serviced = 0;
    freeze.OnServiceUI = [&serviced](bool) { ++serviced; };
    EXPECT_EQ(Outcome("sleep 0.3; echo secret"), "password secret");
    EXPECT_GE(serviced, 5);
    // Also while the command closed its output but runs on, and while it keeps writing.
    for (const char* command : {"echo secret; exec >&-; sleep 0.3", "echo secret; timeout 0.3 yes; exit 0"}) {
        serviced = 0;
        EXPECT_EQ(Outcome(command), "password secret") << command;
        EXPECT_GE(serviced, 5) << command;
    }
}

// A command from settings that another user could have written is not run, with the file in the
// reason; the settings of the user's own (or root's, or none yet) let it run.
TEST(CommandPasswordSourceTest, OnlySettingsOfTheUsersOwnMayRunTheCommand) {
    test::TTempDir folder;
    const std::string file = folder.File("Corvalet.ini").string();
    const std::string ran = folder.File("ran").string();
    const std::string command = "touch '" + ran + "'; echo secret";
    const std::string refused = "The password command for ann at mail.test is not run: ";
    EXPECT_EQ(Outcome(command, 5000, file), "password secret") << "no settings file yet";
    folder.Write("Corvalet.ini", "[Connection]\r\n");
    const struct {
        mode_t file;
        mode_t folder;
        std::string outcome;
    } cases[] = {
        {0600, 0700, "password secret"},
        {0644, 0755, "password secret"},
        {0620, 0700, refused + file + " can be written by other users"},
        {0602, 0700, refused + file + " can be written by other users"},
        {0600, 0770, refused + folder.Path().string() + " can be written by other users"},
        {0600, 01777, refused + folder.Path().string() + " can be written by other users"},
    };
    for (const auto& c : cases) {
        ::unlink(ran.c_str());
        ASSERT_EQ(::chmod(file.c_str(), c.file), 0);
        ASSERT_EQ(::chmod(folder.Path().c_str(), c.folder), 0);
        EXPECT_EQ(Outcome(command, 5000, file), c.outcome) << std::oct << c.file << " in " << c.folder;
        EXPECT_EQ(::access(ran.c_str(), F_OK) == 0, c.outcome == "password secret") << std::oct << c.file;
    }
    ::chmod(folder.Path().c_str(), 0700);
    ::chmod(file.c_str(), 0600);
    // A file someone else owns (only the superuser can hand one over).
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(file.c_str(), 65534, 65534), 0);
        EXPECT_EQ(Outcome(command, 5000, file), refused + file + " belongs to another user");
        // Settings that are a link count as the file they lead to.
        folder.Write("own.ini", "");
        ::chmod(folder.File("own.ini").c_str(), 0600);
        ::unlink(file.c_str());
        ASSERT_EQ(::symlink(folder.File("own.ini").c_str(), file.c_str()), 0);
        EXPECT_EQ(Outcome(command, 5000, file), "password secret");
        ASSERT_EQ(::lchown(folder.File("own.ini").c_str(), 65534, 65534), 0);
        EXPECT_EQ(Outcome(command, 5000, file), refused + file + " belongs to another user");
    }
}

class TMapStore final : public TSecretStore {
public:
    std::string Read(const std::string& host, const std::string& user, std::string& error) override {
        error = Error;
        return Kept.count(user + "@" + host) ? Kept[user + "@" + host] : "";
    }
    bool Has(const std::string& host, const std::string& user, std::string& error) override {
        error = Error;
        return Kept.count(user + "@" + host) != 0;
    }
    bool Write(const std::string& host, const std::string& user, const std::string& password,
               std::string& error) override {
        error = Error;
        Kept[user + "@" + host] = password;
        return Error.empty();
    }
    std::map<std::string, std::string> Kept;
    std::string Error;
};

TEST(StoreOrCommandPasswordSourceTest, StoreFirstThenCommandElseWhyNeither) {
    TMapStore store;
    std::string command;
    TCommandPasswordSource commandSource([&command] { return command; }, OwnSettingsFile(), 5000);
    TStoreOrCommandPasswordSource source(&store, &commandSource);
    const auto outcome = [&source] {
        try {
            return source.Password("mail.test", "ann");
        } catch (const EPasswordUnavailable& error) {
            return std::string(error.what());
        }
    };
    EXPECT_EQ(outcome(), "No password for ann at mail.test: none is kept in the secret store, and no password "
                         "command is set");
    store.Error = "No D-Bus session";
    EXPECT_EQ(outcome(), "No password for ann at mail.test: the secret store did not answer (No D-Bus session), "
                         "and no password command is set");
    command = "echo from-command";
    EXPECT_EQ(outcome(), "from-command");
    store.Kept["ann@mail.test"] = "from-store";
    EXPECT_EQ(outcome(), "from-store");
}

} // namespace
} // namespace corvalet
