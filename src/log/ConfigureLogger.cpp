#include "log/ConfigureLogger.h"

#include <filesystem>

namespace corvalet {

std::string LogFilePath(const std::string& programFolder, const std::string& logFileName) {
    const std::filesystem::path name(logFileName);
    if (name.is_absolute())
        return logFileName;
    return (std::filesystem::path(programFolder) / name).lexically_normal().string();
}

void ConfigureLogger(TLogger& logger, const TConfiguration& settings) {
    logger.Enabled = settings.LogMechanism != 0;
    logger.SetFilePath(LogFilePath(settings.ProgramFolder, settings.LogFileName));
    logger.Kinds = settings.LogMechanism == 1 ? ErrorLogKinds : AllLogKinds;
    logger.SizeIsLimited = settings.LogSizeIsLimited;
    logger.SizeLimitMb = settings.LogSizeLimit;
}

void ConfigureLogger() {
    ConfigureLogger(GetLogger(), GetConfiguration());
}

} // namespace corvalet
