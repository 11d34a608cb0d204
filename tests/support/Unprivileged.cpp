#include "support/Unprivileged.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <grp.h>
#include <pwd.h>
#include <sys/wait.h>
#include <unistd.h>

namespace corvalet::test {

namespace {

struct TUser {
    uid_t Uid;
    gid_t Gid;
};

TUser Nobody() {
    if (const passwd* entry = ::getpwnam("nobody"))
        return TUser{entry->pw_uid, entry->pw_gid};
    return TUser{65534, 65534};
}

void HandOver(const std::filesystem::path& folder, const TUser& user) {
    ASSERT_EQ(::lchown(folder.c_str(), user.Uid, user.Gid), 0) << folder;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder))
        ASSERT_EQ(::lchown(entry.path().c_str(), user.Uid, user.Gid), 0) << entry.path();
}

} // namespace

void RunUnprivileged(const std::filesystem::path& folder, const std::function<void()>& body) {
    const bool superuser = ::geteuid() == 0;
    const TUser user = superuser ? Nobody() : TUser{::geteuid(), ::getegid()};
    if (superuser)
        HandOver(folder, user);
    std::fflush(stdout);
    std::fflush(stderr);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0) << "fork";
    if (child == 0) {
        if (superuser && (::setgroups(0, nullptr) != 0 || ::setgid(user.Gid) != 0 || ::setuid(user.Uid) != 0)) {
            std::fprintf(stderr, "cannot become an ordinary user\n");
            ::_exit(2);
        }
        const bool failedBefore = ::testing::Test::HasFailure();
        body();
        std::fflush(stdout);
        std::fflush(stderr);
        ::_exit(!failedBefore && ::testing::Test::HasFailure() ? 1 : 0);
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0) {
    }
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
        << "the part run as an ordinary user failed (see above), status " << status;
}

} // namespace corvalet::test
