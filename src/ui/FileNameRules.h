#pragma once

#include <optional>
#include <string>

namespace corvalet {

// The content type a chosen body file selects by its extension, in any letter case: ".html" and
// ".htm" give 0 ("HTML"), ".txt" gives 1 ("Plain text"); any other extension, or none, gives
// nothing and the content type stays as it was.
std::optional<int> ContentTypeForBodyFile(const std::string& path);

// The folder the log file chooser opens in: the folder part of the log file name, taken from the
// program's folder when relative; the program's folder when the name has no folder part.
std::string LogChooserFolder(const std::string& programFolder, const std::string& logFileName);

// The chosen log file as the settings keep it: relative to the program's folder ("Corvalet.log",
// "logs/Corvalet.log", "../Corvalet.log"), or the full path when the two share no folder below the
// root ("/var/log/corvalet.log" for a program in /opt/corvalet/).
std::string RelativeLogFileName(const std::string& programFolder, const std::string& chosenPath);

} // namespace corvalet
