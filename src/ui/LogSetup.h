#pragma once

#include "log/ConfigureLogger.h"

namespace corvalet {

class TConfiguration;

// The logging part of the settings, as the log writer is set up from it.
TLogSettings LogSettingsOf(const TConfiguration& settings);

// Sets the log writer up from the settings' logging values (at start and after OK).
void ConfigureLogger(TLogger& logger, const TConfiguration& settings);

} // namespace corvalet
