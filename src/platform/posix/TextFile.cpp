#include "platform/TextFile.h"

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace corvalet {

namespace {

// Writes everything, repeating after partial writes and interruptions.
bool WriteAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

class TFileDescriptor {
public:
    explicit TFileDescriptor(int fd) : Fd(fd) {}
    ~TFileDescriptor() {
        if (Fd >= 0)
            ::close(Fd);
    }
    TFileDescriptor(const TFileDescriptor&) = delete;
    TFileDescriptor& operator=(const TFileDescriptor&) = delete;
    int Get() const { return Fd; }
    bool Close() {
        const int fd = Fd;
        Fd = -1;
        return ::close(fd) == 0;
    }

private:
    int Fd;
};

bool IsMarkedReadOnly(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && (info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
}

bool RewriteFileInPlace(const std::string& path, const std::string& bytes) {
    // Opened without waiting and checked before anything is cut: only a regular file is rewritten
    // (a pipe would wait for a reader for ever, a device is no settings file).
    TFileDescriptor file(::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC));
    if (file.Get() < 0)
        return false;
    struct stat info {};
    if (::fstat(file.Get(), &info) != 0 || !S_ISREG(info.st_mode))
        return false;
    const bool written = ::ftruncate(file.Get(), 0) == 0 && WriteAll(file.Get(), bytes.data(), bytes.size()) &&
                         ::fsync(file.Get()) == 0;
    return file.Close() && written;
}

} // namespace

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n')
            continue;
        lines.emplace_back(text, start, i - start);
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < text.size())
        lines.emplace_back(text, start);
    return lines;
}

bool ReadFileBytes(const std::string& path, std::string& bytes, std::size_t limit) {
    // Without waiting: opening a pipe for reading would wait for a writer.
    TFileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (file.Get() < 0)
        return false;
    struct stat info {};
    if (::fstat(file.Get(), &info) != 0)
        return false;
    // A device or a pipe may never end: only regular files are read.
    if (!S_ISREG(info.st_mode)) {
        errno = S_ISDIR(info.st_mode) ? EISDIR : ENODEV;
        return false;
    }
    if (static_cast<std::uint64_t>(info.st_size) > limit) {
        errno = EFBIG;
        return false;
    }
    std::string result;
    result.reserve(static_cast<std::size_t>(info.st_size));
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(file.Get(), buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (got == 0)
            break;
        // A file that grows while it is read is bounded all the same.
        if (result.size() + static_cast<std::size_t>(got) > limit) {
            errno = EFBIG;
            return false;
        }
        result.append(buffer, static_cast<std::size_t>(got));
    }
    bytes = std::move(result);
    return true;
}

bool ReadTextLines(const std::string& path, std::vector<std::string>& lines) {
    std::string bytes;
    if (!ReadFileBytes(path, bytes))
        return false;
    lines = SplitLines(bytes);
    return true;
}

bool MayWriteExistingFile(const std::string& path) {
    return !IsMarkedReadOnly(path) && ::access(path.c_str(), W_OK) == 0;
}

bool ReplaceFileAtomically(const std::string& requestedPath, const std::string& bytes) {
    // A link stays a link: the file it points at is the one replaced.
    std::string path = requestedPath;
    if (char* resolved = ::realpath(requestedPath.c_str(), nullptr)) {
        path = resolved;
        std::free(resolved);
    }
    mode_t mode = 0644;
    struct stat existing {};
    const bool exists = ::stat(path.c_str(), &existing) == 0;
    if (exists) {
        mode = existing.st_mode & 07777;
        // A file the user made read-only stays as it is; a rename would replace it all the same.
        if (!MayWriteExistingFile(path))
            return false;
    }

    std::string temporary = path + ".XXXXXX";
    TFileDescriptor file(::mkstemp(temporary.data()));
    if (file.Get() < 0) {
        // A writable file in a folder that takes no new files (an installed program's folder, a
        // shared one) can still be saved: over itself, without the safety of the temporary copy.
        if (exists && (errno == EACCES || errno == EPERM))
            return RewriteFileInPlace(path, bytes);
        return false;
    }
    const bool written = ::fchmod(file.Get(), mode) == 0 && WriteAll(file.Get(), bytes.data(), bytes.size()) &&
                         ::fsync(file.Get()) == 0;
    if (!file.Close() || !written || ::rename(temporary.c_str(), path.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return false;
    }
    return true;
}

bool AppendToFile(const std::string& path, const std::string& bytes) {
    TFileDescriptor file(::open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC));
    if (file.Get() < 0)
        return false;
    return WriteAll(file.Get(), bytes.data(), bytes.size()) && file.Close();
}

} // namespace corvalet
