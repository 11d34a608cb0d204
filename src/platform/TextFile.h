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
// never a half-written one. The file keeps the permissions of the one it replaces. An existing file
// that may not be written (no write permission at all, or none for this user) is left alone. When
// the folder takes no temporary file, an existing writable file is rewritten in place instead
// (truncated, written, flushed to disk). Returns false (the old file untouched, unless the in-place
// rewrite itself failed) when any step fails.
bool ReplaceFileAtomically(const std::string& path, const std::string& bytes);

// Whether an existing file may be written: some write permission is set (a file made read-only is
// read-only for the superuser too), and this user may write it.
bool MayWriteExistingFile(const std::string& path);

// Appends `bytes` at the end of an existing file. Returns false when it cannot.
bool AppendToFile(const std::string& path, const std::string& bytes);

} // namespace corvalet
