#pragma once

#include "app/Dialogs.h"
#include "app/Schedule.h"
#include "platform/Clock.h"
#include "platform/FormatSettings.h"

#include <functional>

namespace corvalet {

class TLogger;

// Reports every error that no other code catches (event handlers, menu commands, ticks): an error
// box while the configuration window is visible, a fatal-error log entry while it is hidden. The
// program goes on in both cases.
class TApplicationErrorHandler final : public TErrorHandler {
public:
    TApplicationErrorHandler(std::function<bool()> windowVisible, TDialogs& dialogs, TLogger& logger,
                             const TClock& clock, const TFormatSettings& formats);

    void HandleApplicationException(const std::exception& error) override;
    // The same for an error that carries no message of its own.
    void HandleUnknownException();

private:
    void Report(const std::string& message);

    std::function<bool()> WindowVisible;
    TDialogs& Dialogs;
    TLogger& Logger;
    const TClock& Clock;
    const TFormatSettings& Formats;
};

} // namespace corvalet
