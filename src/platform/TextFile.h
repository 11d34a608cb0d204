#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace corvalet {

// Splits text into lines; a line ends at CR LF, CR or LF. A final line break does not start an
// empty last line, so "a\r\n" is one line and "" is none.
std::vector<std::string> SplitLines(const std::string& text);

// The most that is read of any one file: far beyond any settings, log or message body.
constexpr std::size_t FileReadLimit = std::size_t{256} * 1024 * 1024;

// Reads a whole regular file as bytes. Returns false, with errno set, when it cannot be opened or
// read, is not a regular file (a device or a pipe could be read without end: ENODEV; a folder:
// EISDIR) or holds more than `limit` bytes (EFBIG).
bool ReadFileBytes(const std::string& path, std::string& bytes, std::size_t limit = FileReadLimit);

// Reads a text file as lines (see SplitLines). Returns false when it cannot be opened or read.
bool ReadTextLines(const std::string& path, std::vector<std::string>& lines);

// Replaces the file with `bytes` in one step: the bytes go to a temporary file in the same folder,
// which is flushed and renamed over the old one, so readers see either the old or the new file,
// never a half-written one. A new file is the user's alone (0600, whatever the umask); the file
// keeps the permissions of the one it replaces. An existing file that may not be written (no write
// permission at all, or none for this user) is left alone. A symbolic link in the file's place is
// neither followed nor replaced (errno ELOOP): whoever may add entries to the folder could
// otherwise have another file of this user's overwritten. Only a regular file is replaced. When the
// folder takes no temporary file, an existing writable file is rewritten in place instead
// (truncated, written, flushed to disk). Returns false (the old file untouched, unless the in-place
// rewrite itself failed) when any step fails.
bool ReplaceFileAtomically(const std::string& path, const std::string& bytes);

// Writes a file that only this user may read and write, as ReplaceFileAtomically does, but always
// with mode 0600, whatever the umask and whatever an earlier file allowed: for what the program
// keeps between runs and for secrets.
bool WritePrivateFile(const std::string& path, const std::string& bytes);

// Makes the folder and the folders above it that are missing, each new one for this user alone
// (0700, whatever the umask); folders that are there keep their permissions. Returns false when one
// cannot be made or is not a folder.
bool CreatePrivateFolders(const std::string& folder);

// Why the program must not take a command from the file, or empty when it may: the file (when it
// is there) and its folder must belong to this user or to root, and neither its group nor others
// may write to them, or another user could have put the command there (a folder that others may
// write lets them put a file of their own in its place). The reason names the file or the folder.
std::string FileTrustProblem(const std::string& path);

// Whether an existing file may be written: some write permission is set (a file made read-only is
// read-only for the superuser too), and this user may write it.
bool MayWriteExistingFile(const std::string& path);

// Appends `bytes` at the end of an existing regular file, not through a symbolic link. Returns false
// when it cannot.
bool AppendToFile(const std::string& path, const std::string& bytes);
// The same, and on disk before it returns: for records that must survive a crash or a power cut
// right after.
bool AppendToFileSynced(const std::string& path, const std::string& bytes);

} // namespace corvalet
