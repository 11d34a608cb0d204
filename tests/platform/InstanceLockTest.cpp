#include "platform/InstanceLock.h"
#include "support/TempDir.h"
#include "support/Umask.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <memory>
#include <spawn.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

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

// A lock another user takes, on the folder itself or on a lock file of theirs planted in it (as
// a link or as a file of their own), does not keep this user's program from its schedule; the
// lock file is the user's alone.
TEST(InstanceLockTest, NobodyElseCanTakeTheClaim) {
    const test::TUmask umask(022);
    TTempDir settings;
    const std::string lockFile = TInstanceLock::FilePath(settings.Folder());
    const int folder = ::open(settings.Folder().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(folder, 0);
    ASSERT_EQ(::flock(folder, LOCK_EX | LOCK_NB), 0);
    {
        const TInstanceLock lock(settings.Folder());
        EXPECT_TRUE(lock.Held());
        EXPECT_FALSE(TInstanceLock(settings.Folder()).Held()) << "still one program per folder";
    }
    ::close(folder);
    struct stat info {};
    ASSERT_EQ(::lstat(lockFile.c_str(), &info), 0);
    EXPECT_TRUE(S_ISREG(info.st_mode));
    EXPECT_EQ(info.st_mode & 07777, 0600u);

    // The other user's file, locked by them, in the lock file's place.
    settings.Write("theirs", "");
    ::chmod(settings.File("theirs").c_str(), 0666);
    const int theirs = ::open(settings.File("theirs").c_str(), O_RDWR | O_CLOEXEC);
    ASSERT_GE(theirs, 0);
    ASSERT_EQ(::flock(theirs, LOCK_EX | LOCK_NB), 0);
    ::unlink(lockFile.c_str());
    ASSERT_EQ(::symlink(settings.File("theirs").c_str(), lockFile.c_str()), 0);
    EXPECT_TRUE(TInstanceLock(settings.Folder()).Held()) << "a link";
    if (::geteuid() == 0) {
        ::unlink(lockFile.c_str());
        ASSERT_EQ(::rename(settings.File("theirs").c_str(), lockFile.c_str()), 0);
        ASSERT_EQ(::chown(lockFile.c_str(), 65534, 65534), 0);
        EXPECT_TRUE(TInstanceLock(settings.Folder()).Held()) << "another user's file";
    }
    ::close(theirs);
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
