#include "app/PasswordSource.h"

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
    EXPECT_EQ(Outcome("sleep 5", 100), "The password command for ann at mail.test did not end in time");
}

} // namespace
} // namespace corvalet
