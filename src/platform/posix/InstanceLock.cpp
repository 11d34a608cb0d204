#include "platform/InstanceLock.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace corvalet {

namespace {

constexpr const char* LockFileName = ".Corvalet.lock";

int OpenLockFile(const std::string& path) {
    // Made new when it is not there, for this user alone whatever the umask; never through a link.
    constexpr int flags = O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
    int fd = ::open(path.c_str(), flags | O_CREAT | O_EXCL, 0600);
    if (fd >= 0) {
        ::fchmod(fd, 0600);
        return fd;
    }
    if (errno != EEXIST)
        return -1;
    fd = ::open(path.c_str(), flags);
    if (fd < 0)
        return -1;
    // Only a regular file of this user's counts: a lock on someone else's file says nothing about
    // this user's programs.
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_uid != ::geteuid()) {
        ::close(fd);
        return -1;
    }
    return fd;
}

} // namespace

std::string TInstanceLock::FilePath(const std::string& folder) {
    return folder + LockFileName;
}

TInstanceLock::TInstanceLock(const std::string& folder) {
    Descriptor = OpenLockFile(FilePath(folder));
    if (Descriptor < 0)
        return;
    int result = 0;
    do
        result = ::flock(Descriptor, LOCK_EX | LOCK_NB);
    while (result != 0 && errno == EINTR);
    if (result != 0) {
        TakenByAnother = errno == EWOULDBLOCK;
        ::close(Descriptor);
        Descriptor = -1;
    }
}

TInstanceLock::~TInstanceLock() {
    if (Descriptor >= 0)
        ::close(Descriptor);
}

} // namespace corvalet
