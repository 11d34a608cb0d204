#pragma once

#include <string>
#include <vector>

namespace corvalet {

// Splits text into lines; a line ends at CR LF, CR or LF. A final line break does not start an
// empty last line, so "a\r\n" is one line and "" is none.
std::vector<std::string> SplitLines(const std::string& text);

// Reads a whole file as bytes. Returns false when it cannot be opened or read.
bool ReadFileBytes(const std::string& path, std::string& bytes);

// Reads a text file as lines (see SplitLines). Returns false when it cannot be opened or read.
bool ReadTextLines(const std::string& path, std::vector<std::string>& lines);

// Replaces the file with `bytes` in one step: the bytes go to a temporary file in the same folder,
// which is flushed and renamed over the old one, so readers see either the old or the new file,
// never a half-written one. The file keeps the permissions of the one it replaces. Returns false
// (the old file untouched) when any step fails.
bool ReplaceFileAtomically(const std::string& path, const std::string& bytes);

// Appends `bytes` at the end of an existing file. Returns false when it cannot.
bool AppendToFile(const std::string& path, const std::string& bytes);

} // namespace corvalet
