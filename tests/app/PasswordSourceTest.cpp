#include "app/PasswordSource.h"
#include "net/AntiFreeze.h"

#include <chrono>

#include <map>

#include <gtest/gtest.h>

namespace corvalet {
namespace {

std::string Outcome(const std::string& command, int timeoutMs = 5000) {
    TCommandPasswordSource source([&command] { return command; }, timeoutMs);
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
    TCommandPasswordSource commandSource([&command] { return command; }, 5000);
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
