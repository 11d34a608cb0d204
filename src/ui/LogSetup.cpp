#include "ui/LogSetup.h"

#include "settings/Configuration.h"

namespace corvalet {

TLogSettings LogSettingsOf(const TConfiguration& settings) {
    TLogSettings log;
    log.ProgramFolder = settings.ProgramFolder;
    log.LogMechanism = settings.LogMechanism;
    log.LogFileName = settings.LogFileName;
    log.LogSizeIsLimited = settings.LogSizeIsLimited;
    log.LogSizeLimit = settings.LogSizeLimit;
    return log;
}

void ConfigureLogger(TLogger& logger, const TConfiguration& settings) {
    ConfigureLogger(logger, LogSettingsOf(settings));
}

} // namespace corvalet
