#pragma once

#include "log/Logger.h"
#include "settings/Configuration.h"

#include <string>

namespace corvalet {

// The log file's absolute path: a bare name or a relative one is taken from the program folder
// ("../" steps out of it); an absolute name stays as it is.
std::string LogFilePath(const std::string& programFolder, const std::string& logFileName);

// Sets the writer up from the logging settings: on or off, the file (read again even when its
// name did not change, so a log deleted meanwhile starts afresh), the kinds written and the size
// limit.
void ConfigureLogger(TLogger& logger, const TConfiguration& settings);

// The program's log writer set up from the program's settings.
void ConfigureLogger();

} // namespace corvalet
