#include "ui/Program.h"

#include "app/CorvaletDataModule.h"
#include "help/AboutBox.h"
#include "help/HelpSystem.h"
#include "help/ProgramIcon.h"
#include "help/WindowHelpTable.h"
#include "log/Logger.h"
#include "platform/Clock.h"
#include "platform/FormatSettings.h"
#include "platform/ProgramFolder.h"
#include "settings/Configuration.h"
#include "ui/CorvaletApplication.h"
#include "log/ConfigureLogger.h"
#include "ui/MainForm.h"
#include "ui/MainFormShellWindow.h"
#include "ui/ProgramShell.h"
#include "ui/QtDialogs.h"
#include "ui/QtFileChooser.h"
#include "ui/TerminationWatcher.h"

#include <QDir>

#include <cstdio>
#include <cstdlib>

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

} // namespace

int RunCorvalet(int argc, char** argv) {
    const bool withoutDisplay = RunWithoutDisplay();
    TCorvaletApplication application(argc, argv);
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
    TMainForm form(TMainFormServices{configuration, logger, dialogs, fileChooser, formats, SystemClock(),
                                     [&shell](const std::exception& error) {
                                         if (shell != nullptr)
                                             shell->HandleApplicationException(error);
                                     }});
    dialogs.SetOwner(&form);
    fileChooser.SetOwner(&form);
    form.setWindowIcon(ProgramIcon());
    help.InstallOn(form);
    QObject::connect(&form, &TMainForm::HelpRequested, &form, [&help] { ShowWindowHelp(help.Manager()); });
    QObject::connect(&form, &TMainForm::AboutRequested, &form, [&form] { ShowAboutBox(&form); });
    TMainFormShellWindow window(form);
    TDataModuleMailClient mailClient(dataModule);
    TProgramShell programShell(
        window, TShellServices{SystemClock(), formats, logger, dialogs, mailClient,
                               [&configuration] { configuration.LoadFromIni(); },
                               [&logger, &configuration] { ConfigureLogger(logger, configuration); },
                               [&configuration] { return static_cast<int>(configuration.TimeOut); },
                               [] { QCoreApplication::quit(); }});
    shell = &programShell;
    application.SetErrorHandler(&programShell);
    programShell.FormCreate(application.arguments(), withoutDisplay);
    // A request to end the program from the system ends it as "Exit" does.
    TTerminationWatcher termination([&programShell] { programShell.ExitMenuItemClick(); });

    // Relative names (body file, attachment, help pages) are taken from the program's folder.
    QDir::setCurrent(QString::fromStdString(ExecutableFolder()));
    const int code = application.exec();
    application.SetErrorHandler(nullptr);
    // The window goes: every help window closes with it.
    QuitHelp(help.Manager());
    return code;
}

} // namespace corvalet
