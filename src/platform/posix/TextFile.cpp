#include "platform/TextFile.h"

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
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

constexpr mode_t PrivateFileMode = 0600;
constexpr mode_t PrivateFolderMode = 0700;

enum class TModeRule { KeepExisting, Private };

bool IsMarkedReadOnly(const struct stat& info) {
    return (info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
}

// A link in the file's place, or anything but a regular file, is not the file to write.
bool IsReplaceable(const struct stat& info) {
    if (S_ISLNK(info.st_mode)) {
        errno = ELOOP;
        return false;
    }
    if (!S_ISREG(info.st_mode)) {
        errno = S_ISDIR(info.st_mode) ? EISDIR : ENODEV;
        return false;
    }
    return true;
}

bool RewriteFileInPlace(const std::string& path, const std::string& bytes, TModeRule rule) {
    // Opened without waiting and checked before anything is cut: only a regular file is rewritten
    // (a pipe would wait for a reader for ever, a device is no settings file), and never through a
    // link.
    TFileDescriptor file(::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC));
    if (file.Get() < 0)
        return false;
    struct stat info {};
    if (::fstat(file.Get(), &info) != 0 || !S_ISREG(info.st_mode))
        return false;
    if (rule == TModeRule::Private && ::fchmod(file.Get(), PrivateFileMode) != 0)
        return false;
    const bool written = ::ftruncate(file.Get(), 0) == 0 && WriteAll(file.Get(), bytes.data(), bytes.size()) &&
                         ::fsync(file.Get()) == 0;
    return file.Close() && written;
}

bool ReplaceFile(const std::string& path, const std::string& bytes, TModeRule rule) {
    mode_t mode = PrivateFileMode;
    struct stat existing {};
    const bool exists = ::lstat(path.c_str(), &existing) == 0;
    if (exists) {
        if (!IsReplaceable(existing))
            return false;
        if (rule == TModeRule::KeepExisting)
            mode = existing.st_mode & 07777;
        // A file the user made read-only stays as it is; a rename would replace it all the same.
        if (!MayWriteExistingFile(path))
            return false;
    }

    // The temporary file is made new (never an existing file or a link), for this user only, and
    // is not handed to commands the program starts.
    std::string temporary = path + ".XXXXXX";
    TFileDescriptor file(::mkostemp(temporary.data(), O_CLOEXEC));
    if (file.Get() < 0) {
        // A writable file in a folder that takes no new files (an installed program's folder, a
        // shared one) can still be saved: over itself, without the safety of the temporary copy.
        if (exists && (errno == EACCES || errno == EPERM))
            return RewriteFileInPlace(path, bytes, rule);
        return false;
    }
    const bool written = ::fchmod(file.Get(), mode) == 0 && WriteAll(file.Get(), bytes.data(), bytes.size()) &&
                         ::fsync(file.Get()) == 0;
    // The rename puts the new file in the place of whatever is there by then, a link too, and
    // never writes through one.
    if (!file.Close() || !written || ::rename(temporary.c_str(), path.c_str()) != 0) {
        const int error = errno;
        ::unlink(temporary.c_str());
        errno = error;
        return false;
    }
    return true;
}

std::string TrustProblem(const std::string& path, const struct stat& info) {
    if (info.st_uid != ::geteuid() && info.st_uid != 0)
        return path + " belongs to another user";
    if ((info.st_mode & (S_IWGRP | S_IWOTH)) != 0)
        return path + " can be written by other users";
    return std::string();
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
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0 || S_ISLNK(info.st_mode) || IsMarkedReadOnly(info))
        return false;
    return ::access(path.c_str(), W_OK) == 0;
}

bool ReplaceFileAtomically(const std::string& path, const std::string& bytes) {
    return ReplaceFile(path, bytes, TModeRule::KeepExisting);
}

bool WritePrivateFile(const std::string& path, const std::string& bytes) {
    return ReplaceFile(path, bytes, TModeRule::Private);
}

bool CreatePrivateFolders(const std::string& folder) {
    std::filesystem::path made;
    for (const std::filesystem::path& part : std::filesystem::path(folder).lexically_normal()) {
        if (part.empty())
            continue;
        made /= part;
        if (::mkdir(made.c_str(), PrivateFolderMode) == 0) {
            // The umask may have taken bits the user needs; nobody else gets any.
            if (::chmod(made.c_str(), PrivateFolderMode) != 0)
                return false;
            continue;
        }
        struct stat info {};
        if (errno != EEXIST || ::stat(made.c_str(), &info) != 0 || !S_ISDIR(info.st_mode))
            return false;
    }
    return true;
}

std::string FileTrustProblem(const std::string& path) {
    const std::filesystem::path file(path);
    const std::string folder = file.has_parent_path() ? file.parent_path().string() : std::string(".");
    struct stat info {};
    if (::stat(folder.c_str(), &info) != 0)
        return folder + " cannot be checked: " + std::strerror(errno);
    if (std::string problem = TrustProblem(folder, info); !problem.empty())
        return problem;
    // A file that is not there gave nothing; a link is judged by the file it leads to (the link
    // itself can only have been made by whoever may write the folder).
    if (::stat(path.c_str(), &info) != 0)
        return errno == ENOENT ? std::string() : path + " cannot be checked: " + std::strerror(errno);
    return TrustProblem(path, info);
}

namespace {

bool Append(const std::string& path, const std::string& bytes, bool synced) {
    TFileDescriptor file(::open(path.c_str(), O_WRONLY | O_APPEND | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (file.Get() < 0)
        return false;
    struct stat info {};
    if (::fstat(file.Get(), &info) != 0 || !S_ISREG(info.st_mode))
        return false;
    if (!WriteAll(file.Get(), bytes.data(), bytes.size()))
        return false;
    if (synced && ::fdatasync(file.Get()) != 0)
        return false;
    return file.Close();
}

} // namespace

bool AppendToFile(const std::string& path, const std::string& bytes) {
    return Append(path, bytes, false);
}

bool AppendToFileSynced(const std::string& path, const std::string& bytes) {
    return Append(path, bytes, true);
}

} // namespace corvalet
