#include "app/CommandLineModes.h"

#include "app/ApplicationErrorHandler.h"
#include "app/CorvaletDataModule.h"
#include "app/MailFields.h"
#include "app/MailJob.h"
#include "app/MessagePreview.h"
#include "log/ConfigureLogger.h"
#include "log/Logger.h"
#include "settings/Configuration.h"

#include <ostream>

namespace corvalet {

namespace {

// The configuration window as it stands right after start: the saved settings in its fields,
// hidden.
class TSavedSettingsWindow final : public TMailJobWindow {
public:
    explicit TSavedSettingsWindow(const TConfiguration& settings) : Settings(settings) {}

    TMailFields MailFields() const override { return MailFieldsOf(Settings); }
    bool IsVisible() const override { return false; }
    void ShowWaitCursor() override {}
    void RestoreCursor() override {}

private:
    const TConfiguration& Settings;
};

// A preview sends nothing, so it asks no one for the password: no secret store is opened and no
// password command is run.
class TUnaskedPasswordSource final : public TPasswordSource {
public:
    std::string Password(const std::string&, const std::string&) override { return {}; }
    std::string Token(const std::string&, const std::string&) override { return {}; }
};

// With the window hidden no box is ever shown; the outcome is printed instead.
class TNoDialogs final : public TDialogs {
public:
    void ShowInformation(const std::string&) override {}
    void ShowError(const std::string&) override {}
    bool Confirm(const std::string&) override { return false; }
};

constexpr std::uint8_t Bcc = 0;

int ShowUsageError(const TCommandLine& line, TCommandLineContext& context) {
    context.Err << context.ProgramName << ": " << line.Error << "\n\n" << UsageText(context.ProgramName);
    return 2;
}

int ShowHelp(TCommandLineContext& context) {
    const TProgramFolders& folders = context.Folders;
    TConfiguration& settings = context.Configuration;
    settings.LoadFromIni();
    context.Out << UsageText(context.ProgramName) << "\n"
                << "Settings folder: " << folders.Settings
                << (folders.Portable ? " (beside the program)" : " (your configuration folder)") << "\n"
                << "Settings file:   " << settings.IniFilePath() << "\n"
                << "Log file:        " << LogFilePath(settings.ProgramFolder, settings.LogFileName)
                << (settings.LogMechanism == 0 ? " (logging is off)" : "") << "\n"
                << "Help pages:      " << folders.Help << "\n";
    return 0;
}

// The session and the message that "Send Now!" would have right after start (distribution
// "BCC", the editing area's first choice), written out instead of sent.
int Preview(const TCommandLine& line, TCommandLineContext& context) {
    TConfiguration& settings = context.Configuration;
    settings.LoadFromIni();
    TSavedSettingsWindow window(settings);
    TCorvaletDataModule dataModule;
    TPreviewMailClient client(dataModule);
    TUnaskedPasswordSource noPassword;
    TNoDialogs dialogs;
    // No list attached: the preview logs nothing.
    TLogger silent(context.Clock, context.Formats);
    TMailJob job(window, client, noPassword, dialogs, silent, context.Clock, context.Formats,
                 [&settings] { return static_cast<int>(settings.TimeOut); });
    try {
        job.SendMailTo(line.Address, Bcc);
    } catch (const std::exception& error) {
        context.Err << error.what() << "\n";
        return 1;
    }
    if (!job.LastOutcome().Sent) {
        context.Err << job.LastOutcome().Text << "\n";
        return 1;
    }
    context.Out << client.Session() << "\r\n" << client.Preview().Transcript();
    return 0;
}

int SendNow(const TCommandLine& line, TCommandLineContext& context) {
    TConfiguration& settings = context.Configuration;
    settings.LoadFromIni();
    EnsureSettingsFolder(context.Folders);
    std::vector<std::string> logLines;
    TLogger logger(context.Clock, context.Formats);
    logger.SetLines(&logLines);
    ConfigureLogger(logger, settings);

    TSavedSettingsWindow window(settings);
    TCorvaletDataModule dataModule;
    TDataModuleMailClient client(dataModule);
    TNoDialogs dialogs;
    TMailJob job(window, client, context.Passwords, dialogs, logger, context.Clock, context.Formats,
                 [&settings] { return static_cast<int>(settings.TimeOut); });
    TApplicationErrorHandler errors([] { return false; }, dialogs, logger, context.Clock, context.Formats);
    try {
        job.SendMailTo(line.Address, Bcc);
    } catch (const std::exception& error) {
        errors.HandleApplicationException(error);
        context.Err << error.what() << "\n";
        logger.SetLines(nullptr);
        return 1;
    }
    logger.SetLines(nullptr);
    const TMailOutcome& outcome = job.LastOutcome();
    (outcome.Sent ? context.Out : context.Err) << outcome.Text << "\n";
    return outcome.Sent ? 0 : 1;
}

} // namespace

int RunCommandLineMode(const TCommandLine& line, TCommandLineContext& context) {
    switch (line.Mode) {
    case TCommandMode::Help:
        return ShowHelp(context);
    case TCommandMode::Version:
        context.Out << context.VersionText << "\n";
        return 0;
    case TCommandMode::Preview:
        return Preview(line, context);
    case TCommandMode::SendNow:
        return SendNow(line, context);
    case TCommandMode::BadUsage:
        return ShowUsageError(line, context);
    case TCommandMode::Run:
        break;
    }
    return 0;
}

} // namespace corvalet
