#include "mime/SourceStream.h"

#include "mime/MessageExceptions.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace corvalet {

namespace {

std::string FileError(const char* what, const std::string& path, int error) {
    return std::string(what) + " \"" + path + "\". " + std::strerror(error);
}

} // namespace

std::size_t TNetStringSource::Read(char* buffer, std::size_t count) {
    const std::size_t take = std::min(count, Bytes.size() - Position);
    std::copy_n(Bytes.data() + Position, take, buffer);
    Position += take;
    return take;
}

TNetFileSource::TNetFileSource(const std::string& path) : Path(path) {
    do
        Handle = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    while (Handle < 0 && errno == EINTR);
    if (Handle < 0)
        throw ENetAttachmentFileError(FileError("Cannot open file", path, errno));
    // A folder opens like a file but fails on the first read, which would come mid-message.
    struct stat status {};
    if (::fstat(Handle, &status) == 0 && S_ISDIR(status.st_mode)) {
        ::close(Handle);
        throw ENetAttachmentFileError(FileError("Cannot open file", path, EISDIR));
    }
}

TNetFileSource::~TNetFileSource() {
    ::close(Handle);
}

std::size_t TNetFileSource::Read(char* buffer, std::size_t count) {
    std::size_t total = 0;
    while (total < count) {
        const ssize_t got = ::read(Handle, buffer + total, count - total);
        if (got == 0)
            break;
        if (got < 0) {
            if (errno == EINTR)
                continue;
            throw ENetAttachmentFileError(FileError("Cannot read file", Path, errno));
        }
        total += static_cast<std::size_t>(got);
    }
    return total;
}

void TNetFileSource::Rewind() {
    if (::lseek(Handle, 0, SEEK_SET) < 0)
        throw ENetAttachmentFileError(FileError("Cannot read file", Path, errno));
}

} // namespace corvalet
