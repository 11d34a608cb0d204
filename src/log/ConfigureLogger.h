#pragma once

#include "log/Logger.h"

#include <cstdint>
#include <string>

namespace corvalet {

// The logging settings the log writer is set up from.
struct TLogSettings {
    std::string ProgramFolder;     // ends with "/"
    std::uint8_t LogMechanism = 1; // 0 disabled, 1 errors only, 2 everything
    std::string LogFileName;       // bare, with a relative folder part, or absolute
    bool LogSizeIsLimited = false;
    std::int32_t LogSizeLimit = 10; // in units of 1,048,576 bytes
};

// The log file's absolute path: a bare name or a relative one is taken from the program folder
// ("../" steps out of it); an absolute name stays as it is.
std::string LogFilePath(const std::string& programFolder, const std::string& logFileName);

// Sets the writer up from the settings: on or off, the file (read again even when its name did
// not change, so a log deleted meanwhile starts afresh), the kinds written and the size limit.
void ConfigureLogger(TLogger& logger, const TLogSettings& settings);

} // namespace corvalet
