#include "platform/InstanceLock.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <memory>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace corvalet {
namespace {

using test::TTempDir;

TEST(InstanceLockTest, OneProgramPerSettingsFolder) {
    TTempDir settings;
    TTempDir otherSettings;
    auto first = std::make_unique<TInstanceLock>(settings.Folder());
    EXPECT_TRUE(first->Held());
    EXPECT_FALSE(TInstanceLock(settings.Folder()).Held());
    EXPECT_TRUE(TInstanceLock(otherSettings.Folder()).Held());
    // The first program ends: the next one may start.
    first.reset();
    EXPECT_TRUE(TInstanceLock(settings.Folder()).Held());
}

TEST(InstanceLockTest, AFolderThatCannotBeLockedDoesNotStopTheProgram) {
    TTempDir settings;
    EXPECT_TRUE(TInstanceLock(settings.Folder() + "missing/").Held());
    TInstanceLock onMissing(settings.Folder() + "missing/");
    EXPECT_TRUE(TInstanceLock(settings.Folder() + "missing/").Held());
}

// A command the program starts (the password command) may outlive it; the folder must not stay
// claimed by it.
TEST(InstanceLockTest, AStartedCommandDoesNotKeepTheFolder) {
    TTempDir settings;
    auto lock = std::make_unique<TInstanceLock>(settings.Folder());
    ASSERT_TRUE(lock->Held());
    char shell[] = "/bin/sh";
    char option[] = "-c";
    char script[] = "sleep 30";
    char* argv[] = {shell, option, script, nullptr};
    pid_t child = -1;
    ASSERT_EQ(::posix_spawn(&child, shell, nullptr, nullptr, argv, environ), 0);
    lock.reset();
    EXPECT_TRUE(TInstanceLock(settings.Folder()).Held());
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
}

} // namespace
} // namespace corvalet
