#include "ui/Program.h"

#include "app/CommandLine.h"
#include "app/CommandLineModes.h"
#include "app/CorvaletDataModule.h"
#include "help/AboutBox.h"
#include "help/BuildInfo.h"
#include "help/HelpSystem.h"
#include "help/ProgramIcon.h"
#include "help/WindowHelpTable.h"
#include "log/Logger.h"
#include "platform/Clock.h"
#include "platform/Autostart.h"
#include "platform/FormatSettings.h"
#include "platform/InstanceLock.h"
#include "platform/ProgramFolders.h"
#include "settings/Configuration.h"
#include "ui/KeychainSecretStore.h"
#include "ui/CorvaletApplication.h"
#include "log/ConfigureLogger.h"
#include "ui/MainForm.h"
#include "ui/MainFormShellWindow.h"
#include "ui/ProgramShell.h"
#include "ui/QtDialogs.h"
#include "ui/QtFileChooser.h"
#include "ui/TerminationWatcher.h"

#include <QCoreApplication>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

namespace corvalet {

namespace {

bool HasValue(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
}

// Without a display the window could never be seen, and a window counted as shown would stop the
// schedule for good: the program then runs on Qt's offscreen platform, hidden, as with "/HIDE".
bool RunWithoutDisplay() {
    if (HasValue("DISPLAY") || HasValue("WAYLAND_DISPLAY") || HasValue("QT_QPA_PLATFORM"))
        return false;
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    std::fputs("Corvalet: no display found; running without a window, as with /HIDE. "
               "The schedule runs and mails go out.\n",
               stderr);
    return true;
}

std::vector<std::string> RawArguments(int argc, char** argv) {
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i)
        arguments.emplace_back(argv[i]);
    return arguments;
}

// The desktop's secret store for the command line. QtKeychain answers through an event loop and
// so needs an application object (no window, no display): it is made only when a login asks the
// store, so that a mailing without a login starts nothing of Qt.
class TCommandLineSecretStore final : public TSecretStore {
public:
    TCommandLineSecretStore(int& argc, char** argv) : Argc(argc), Argv(argv) {}

    std::string Read(const std::string& host, const std::string& user, std::string& error) override {
        Start();
        return Store.Read(host, user, error);
    }
    bool Has(const std::string& host, const std::string& user, std::string& error) override {
        Start();
        return Store.Has(host, user, error);
    }
    bool Write(const std::string& host, const std::string& user, const std::string& password,
               std::string& error) override {
        Start();
        return Store.Write(host, user, password, error);
    }

private:
    void Start() {
        if (QCoreApplication::instance() == nullptr)
            Application = std::make_unique<QCoreApplication>(Argc, Argv);
    }

    int& Argc;
    char** Argv;
    std::unique_ptr<QCoreApplication> Application;
    TKeychainSecretStore Store;
};

// --help, --version, --preview, --send-now and a refused command line: no window, no display.
// A mailing gets its password as the resident program's mailings do: from the secret store, else
// from the password command.
int RunCommandLine(const TCommandLine& line, int& argc, char** argv) {
    const TFormatSettings formats = TFormatSettings::FromLocale();
    TConfiguration& configuration = GetConfiguration();
    TCommandLineSecretStore secretStore(argc, argv);
    TCommandPasswordSource passwordCommand([&configuration] { return configuration.PasswordCommand; },
                                           configuration.IniFilePath());
    TStoreOrCommandPasswordSource passwords(&secretStore, &passwordCommand);
    TCommandLineContext context{argc > 0 && argv[0] != nullptr ? argv[0] : "corvalet",
                                ApplicationName() + " " + BuildVersionText(),
                                ProgramFolders(),
                                configuration,
                                passwords,
                                SystemClock(),
                                formats,
                                std::cout,
                                std::cerr};
    const int code = RunCommandLineMode(line, context);
    std::cout.flush();
    return code;
}

std::string AlreadyRunningText(const std::string& settingsFolder) {
    return ApplicationName() + " is already running with the settings in " + settingsFolder +
           "; its icon is in the notification area.";
}

} // namespace

int RunCorvalet(int argc, char** argv) {
    // The command line is read as it was typed, before Qt takes its own options out of it.
    const TCommandLine line = ParseCommandLine(RawArguments(argc, argv));
    // Relative names (body file, attachment, log file) are taken from the settings folder: beside
    // the program in portable use. Only what may write there makes the folder.
    if (line.Mode == TCommandMode::Run || line.Mode == TCommandMode::SendNow)
        EnsureSettingsFolder(ProgramFolders());
    std::error_code notThere; // --preview before any settings were saved: names stay relative
    std::filesystem::current_path(ProgramFolders().Settings, notThere);
    if (line.Mode != TCommandMode::Run)
        return RunCommandLine(line, argc, argv);

    const bool withoutDisplay = RunWithoutDisplay();
    TCorvaletApplication application(argc, argv);
    // One resident program per settings folder: a second one would mail every due row again.
    const TInstanceLock residence(ProgramFolders().Settings);
    if (!residence.Held()) {
        const std::string text = AlreadyRunningText(ProgramFolders().Settings);
        std::cerr << text << '\n';
        if (!line.Hide && !withoutDisplay)
            TQtDialogs().ShowInformation(text);
        return 1;
    }
    THelpSystem help;

    TCorvaletDataModule dataModule;
    // While a mailing waits on the network, the windows, the icon and the timer stay alive.
    dataModule.NetAntiFreeze.OnServiceUI = [](bool) { QCoreApplication::processEvents(); };

    const TFormatSettings formats = TFormatSettings::FromLocale();
    TConfiguration& configuration = GetConfiguration();
    TLogger& logger = GetLogger();
    TQtDialogs dialogs;
    TQtFileChooser fileChooser;
    TProgramShell* shell = nullptr;
    const TAutostartEntry autostart = TAutostartEntry::Current();
    TMainForm form(TMainFormServices{configuration, logger, dialogs, fileChooser, formats, SystemClock(),
                                     [&shell](const std::exception& error) {
                                         if (shell != nullptr)
                                             shell->HandleApplicationException(error);
                                     },
                                     &autostart});
    dialogs.SetOwner(&form);
    fileChooser.SetOwner(&form);
    form.setWindowIcon(ProgramIcon());
    help.InstallOn(form);
    QObject::connect(&form, &TMainForm::HelpRequested, &form, [&help] { ShowWindowHelp(help.Manager()); });
    QObject::connect(&form, &TMainForm::AboutRequested, &form, [&form] { ShowAboutBox(&form); });
    TMainFormShellWindow window(form);
    TDataModuleMailClient mailClient(dataModule);
    // The password of a login: from the desktop's secret store, else from the password command.
    TKeychainSecretStore secretStore;
    TCommandPasswordSource passwordCommand([&configuration] { return configuration.PasswordCommand; },
                                           configuration.IniFilePath());
    TStoreOrCommandPasswordSource passwords(&secretStore, &passwordCommand);
    // The resident program holds the instance lock, so it is the state file's one writer.
    TDeliveryState deliveryState(configuration.ProgramFolder + "Corvalet.state");
    TProgramShell programShell(
        window, TShellServices{SystemClock(), formats, logger, dialogs, mailClient, passwords,
                               [&configuration] { configuration.LoadFromIni(); },
                               [&logger, &configuration] { ConfigureLogger(logger, configuration); },
                               [&configuration] { return static_cast<int>(configuration.TimeOut); },
                               [] { QCoreApplication::quit(); }, deliveryState,
                               [&configuration] { return static_cast<int>(configuration.CatchUpMinutes); }});
    shell = &programShell;
    form.SetSecretStore(&secretStore);
    application.SetErrorHandler(&programShell);
    programShell.FormCreate(line.Hide, withoutDisplay);
    // Read once the log is set up, so that a damaged file is reported where errors go.
    if (const std::string problem = deliveryState.Load(); !problem.empty())
        programShell.HandleApplicationException(std::runtime_error(problem));
    // A request to end the program from the system ends it as "Exit" does.
    TTerminationWatcher termination([&programShell] { programShell.ExitMenuItemClick(); });

    const int code = application.exec();
    application.SetErrorHandler(nullptr);
    // The window goes: every help window closes with it.
    QuitHelp(help.Manager());
    return code;
}

} // namespace corvalet
