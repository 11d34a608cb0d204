#include "platform/InstanceLock.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace corvalet {

TInstanceLock::TInstanceLock(const std::string& folder) {
    Descriptor = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
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
