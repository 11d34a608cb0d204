#include "app/ApplicationErrorHandler.h"

#include "log/Logger.h"

namespace corvalet {

TApplicationErrorHandler::TApplicationErrorHandler(std::function<bool()> windowVisible, TDialogs& dialogs,
                                                   TLogger& logger, const TClock& clock,
                                                   const TFormatSettings& formats)
    : WindowVisible(std::move(windowVisible)), Dialogs(dialogs), Logger(logger), Clock(clock),
      Formats(formats) {}

void TApplicationErrorHandler::HandleApplicationException(const std::exception& error) {
    Report(error.what());
}

void TApplicationErrorHandler::HandleUnknownException() {
    Report("Unknown error.");
}

void TApplicationErrorHandler::Report(const std::string& message) {
    if (WindowVisible())
        Dialogs.ShowError(message);
    else
        Logger.Log(Formats.FormatDateTime(Clock.Now()) + " - Reason: " + message, lkFatalError);
}

} // namespace corvalet
