#include "ui/ProgramShell.h"

#include "AppFakes.h"
#include "app/CommandLine.h"
#include "app/CorvaletDataModule.h"
#include "support/ScriptedSMTPServer.h"
#include "TestApplication.h"
#include "log/Logger.h"
#include "support/FakeClock.h"
#include "support/TempDir.h"

#include <QApplication>
#include <QCloseEvent>
#include <QTimer>
#include <QPushButton>

#include <gtest/gtest.h>

#include <stdexcept>

namespace corvalet {
namespace {

using test::TestApplication;
using test::TFakeClock;
using test::TTempDir;

// A window with the fields and the rows the shell reads, settable by the test.
class TFakeShellWindow final : public TShellWindow {
public:
    TFakeShellWindow() {
        QObject::connect(&SendNow, &QPushButton::clicked, [this] {
            if (Click)
                Click();
        });
    }
    QWidget* Widget() const override { return const_cast<QWidget*>(&Form); }
    void SettingsToControls() override {
        ++Filled;
        if (!FillError.empty())
            throw std::runtime_error(FillError);
    }
    void PrepareEditingArea() override { ++Prepared; }
    std::string RecipientAddressText() const override { return Recipient; }
    int DistributionIndex() const override { return Distribution; }
    void OnSendNow(std::function<void()> click) override { Click = std::move(click); }
    void SetMailing(bool mailing) override { SendNow.setEnabled(!mailing); }

    std::vector<TScheduleRow> RecipientRows() const override { return Rows; }
    TMailFields MailFields() const override {
        TMailFields fields;
        fields.SenderName = "Sender";
        fields.SenderAddress = Address;
        fields.ContentType = 0;
        fields.Subject = "Subject";
        fields.Priority = 2;
        fields.SMTPHost = "127.0.0.1";
        fields.PortNumber = Port;
        return fields;
    }

    QWidget Form;
    QPushButton SendNow{"Send Now!"};
    std::function<void()> Click;
    std::vector<TScheduleRow> Rows;
    std::string Address = "sender@example.org";
    std::string Port = "2525";
    std::string Recipient;
    int Distribution = 0;
    std::string FillError;
    int Filled = 0;
    int Prepared = 0;
};

// Makes sure the application object exists before any widget of the fixture.
struct TWithApplication {
    TWithApplication() { TestApplication(); }
};

// Whether the program's command line, after its name, asks for a hidden start.
bool HideRequested(const QStringList& arguments) {
    std::vector<std::string> raw;
    for (const QString& argument : arguments)
        raw.push_back(argument.toStdString());
    return ParseCommandLine(raw).Hide;
}

class ProgramShellTest : public ::testing::Test, private TWithApplication {
protected:
    void Start(QStringList arguments) {
        Shell.FormCreate(HideRequested(arguments));
        QCoreApplication::processEvents();
    }
    bool Logged(const std::string& line) const {
        return std::find(Shell.LogLines().begin(), Shell.LogLines().end(), line) != Shell.LogLines().end();
    }

    TTempDir Folder;
    TFakeClock Clock{TDateTime{2026, 12, 9, 9, 5, 0, 0}};
    TFormatSettings Formats{"MM/dd/yyyy", "HH:mm:ss"};
    TLogger Logger{Clock, Formats};
    test::TRecordingDialogs Boxes;
    test::TRecordingMailClient Client;
    test::TFixedPasswordSource Passwords;
    TFakeShellWindow Window;
    int Quits = 0;
    TDeliveryState State{""};
    TProgramShell Shell{Window,
                        TShellServices{Clock, Formats, Logger, Boxes, Client, Passwords, [] {},
                                       [this] { Logger.SetFilePath(Folder.File("Corvalet.log").string()); },
                                       [] { return 1; }, [this] { ++Quits; }, State, [] { return 0; }}};
};

TEST_F(ProgramShellTest, StartedHiddenTheScheduleRunsAndMailsTheCurrentMinute) {
    Window.Rows = {{"a@example.org", "09 : 05", "Daily", "BCC"}};
    Start({"/hide"});
    EXPECT_FALSE(Window.Form.isVisible());
    EXPECT_TRUE(Shell.Timer().isActive());
    EXPECT_EQ(Shell.Timer().interval(), 1000);
    EXPECT_FALSE(Shell.TrayIcon().ShowMinimizedIcon);
    EXPECT_EQ(Window.Filled, 1);
    EXPECT_EQ(Window.Prepared, 1);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    Shell.TimerTimer();
    EXPECT_EQ(Client.SentTo(), std::vector<std::string>{"a@example.org"});
    EXPECT_TRUE(Logged("             12/09/2026 09:05:00 - Successfully send the e-mail to a@example.org."));
}

TEST_F(ProgramShellTest, StartedShownTheTimerIsOffUntilTheWindowCloses) {
    Start({"-HIDE"});
    EXPECT_TRUE(Window.Form.isVisible());
    EXPECT_EQ(Window.Form.windowTitle(), "Corvalet Configuration");
    EXPECT_FALSE(Shell.Timer().isActive());
    EXPECT_FALSE(Shell.TrayIcon().ShowMinimizedIcon);

    // The close box only hides the window; the schedule resumes at once.
    Window.Form.close();
    EXPECT_FALSE(Window.Form.isVisible());
    EXPECT_TRUE(Shell.Timer().isActive());
    EXPECT_EQ(Quits, 0);
}

TEST_F(ProgramShellTest, DisableWhileHiddenStopsTheScheduleAndTheEntryReadsEnable) {
    Start({"/HIDE"});
    EXPECT_EQ(Shell.TrayIcon().DisableEnableMenuItem->text(), "Disable");
    Shell.TrayIcon().DisableEnableMenuItem->trigger();
    EXPECT_FALSE(Shell.Timer().isActive());
    EXPECT_EQ(Shell.TrayIcon().DisableEnableMenuItem->text(), "Enable");
    Shell.TrayIcon().DisableEnableMenuItem->trigger();
    EXPECT_TRUE(Shell.Timer().isActive());
    EXPECT_EQ(Shell.TrayIcon().DisableEnableMenuItem->text(), "Disable");
}

TEST_F(ProgramShellTest, DisableWhileShownThenCloseKeepsTheTimerOff) {
    Start({});
    Shell.TrayIcon().DisableEnableMenuItem->trigger();
    EXPECT_FALSE(Shell.Timer().isActive());
    Window.Form.close();
    EXPECT_FALSE(Window.Form.isVisible());
    EXPECT_FALSE(Shell.Timer().isActive());
}

// Minimizing sends the window back to the notification area and resumes the schedule, however the
// program started; only ShowMinimizedIcon keeps a minimized window counted as shown.
TEST_F(ProgramShellTest, MinimizingHidesTheWindowAndResumesTheSchedule) {
    struct Case {
        const char* name;
        QStringList arguments;
        bool showMinimizedIcon;
        bool hidden;
    };
    const Case cases[] = {
        {"started shown", {}, false, true},
        {"started hidden, then Configure", {"/HIDE"}, false, true},
        {"with ShowMinimizedIcon", {}, true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TFakeShellWindow window;
        TDeliveryState state{""};
        TProgramShell shell{window, TShellServices{Clock, Formats, Logger, Boxes, Client, Passwords, [] {}, [] {},
                                                   [] { return 1; }, [] {}, state, [] { return 0; }}};
        shell.FormCreate(HideRequested(c.arguments));
        if (c.showMinimizedIcon)
            shell.TrayIcon().ShowMinimizedIcon = true;
        shell.TrayIcon().ConfigureMenuItem->trigger();
        QCoreApplication::processEvents();
        ASSERT_TRUE(window.Form.isVisible());
        EXPECT_FALSE(shell.Timer().isActive());

        window.Form.showMinimized();
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
        EXPECT_EQ(window.Form.isVisible(), !c.hidden);
        EXPECT_EQ(shell.Timer().isActive(), c.hidden);
        if (c.hidden) {
            // It opens again in its normal state.
            shell.TrayIcon().ConfigureMenuItem->trigger();
            EXPECT_TRUE(window.Form.isVisible());
            EXPECT_FALSE(window.Form.isMinimized());
        }
        window.Form.hide();
    }
}

// A program started before the desktop's panel (at log-in) shows its icon once a notification
// area appears: the icon is shown even when there is none yet, as here on the offscreen platform.
TEST_F(ProgramShellTest, IconIsShownEvenBeforeThereIsANotificationArea) {
    ASSERT_FALSE(TTrayIcon::NotificationAreaAvailable());
    TTrayIcon tray;
    EXPECT_FALSE(tray.IsActive());
    EXPECT_FALSE(tray.Activate());
    EXPECT_TRUE(tray.IsActive());

    for (const QStringList& arguments : {QStringList{}, QStringList{"/HIDE"}}) {
        TFakeShellWindow window;
        TDeliveryState state{""};
        TProgramShell shell{window, TShellServices{Clock, Formats, Logger, Boxes, Client, Passwords, [] {}, [] {},
                                                   [] { return 1; }, [] {}, state, [] { return 0; }}};
        testing::internal::CaptureStderr();
        shell.FormCreate(HideRequested(arguments));
        const std::string hint = testing::internal::GetCapturedStderr();
        EXPECT_TRUE(shell.TrayIcon().IsActive()) << arguments.join(" ").toStdString();
        EXPECT_NE(hint.find("no notification area yet"), std::string::npos) << hint;
        window.Form.hide();
    }
}

TEST_F(ProgramShellTest, DoubleClickOnTheIconShowsTheWindow) {
    Start({"/HIDE"});
    emit Shell.TrayIcon().ConfigureRequested();
    EXPECT_TRUE(Window.Form.isVisible());
}

TEST_F(ProgramShellTest, TrayIconTooltipAndMenu) {
    TTrayIcon& tray = Shell.TrayIcon();
    EXPECT_EQ(tray.Hint(), "Corvalet");
    tray.SetHint(QString(80, 'x'));
    EXPECT_EQ(tray.Hint().size(), TTrayIcon::MaxHintLength);
    ASSERT_EQ(tray.PopupMenu()->actions().size(), 3);
    EXPECT_EQ(tray.PopupMenu()->actions()[0]->text(), "Configure");
    EXPECT_EQ(tray.PopupMenu()->defaultAction(), tray.ConfigureMenuItem);
    EXPECT_TRUE(tray.ConfigureMenuItem->font().bold());
    EXPECT_EQ(tray.PopupMenu()->actions()[2]->text(), "Exit");
    EXPECT_TRUE(tray.NoClose);
}

TEST(TrayIconHint, NamesTheNextMailingAndItsRecipients) {
    TestApplication();
    struct Case {
        bool enabled;
        const char* when;
        int recipients;
        const char* hint;
    };
    const Case cases[] = {
        {true, "12/10/2026 09:05", 2, "Corvalet - next mailing 12/10/2026 09:05 to 2 recipients"},
        {true, "12/10/2026 09:05", 1, "Corvalet - next mailing 12/10/2026 09:05 to 1 recipient"},
        {true, "", 0, "Corvalet"},
        {false, "12/10/2026 09:05", 2, "Corvalet - paused"},
        // A long date leaves out the name rather than the number of recipients.
        {true, "Thursday, 10 December 2026 09:05", 12,
         "Next mailing Thursday, 10 December 2026 09:05 to 12 recipients"},
    };
    for (const Case& c : cases) {
        TTrayIcon tray;
        tray.SetNextMailing(QString::fromLatin1(c.when), c.recipients);
        tray.SetSchedulingEnabled(c.enabled);
        EXPECT_EQ(tray.Hint().toStdString(), c.hint);
    }
}

// The hint follows the schedule: the minute still to come counts, a minute that has had its pass
// does not, and the hint moves on with the clock, with the rows and with Disable/Enable.
TEST_F(ProgramShellTest, TheIconsHintNamesTheNextMailing) {
    Window.Rows = {{"a@example.org", "09 : 05", "Daily", "BCC"},
                   {"b@example.org", "09 : 07", "Daily", "CC"},
                   {"c@example.org", "09 : 07", "Workdays only", "BCC"},
                   {"d@example.org", "09 : 06", "Each Sunday", "BCC"}};
    Start({"/HIDE"});
    const TTrayIcon& tray = Shell.TrayIcon();
    EXPECT_EQ(tray.Hint(), "Corvalet - next mailing 12/09/2026 09:05 to 1 recipient");
    Shell.TimerTimer();
    EXPECT_EQ(Client.SentTo(), std::vector<std::string>{"a@example.org"});
    EXPECT_EQ(tray.Hint(), "Corvalet - next mailing 12/09/2026 09:07 to 2 recipients");
    Clock.AdvanceMinutes(2);
    Shell.TimerTimer();
    EXPECT_EQ(tray.Hint(), "Corvalet - next mailing 12/10/2026 09:05 to 1 recipient");

    Shell.TrayIcon().DisableEnableMenuItem->trigger();
    EXPECT_EQ(tray.Hint(), "Corvalet - paused");
    Shell.TrayIcon().DisableEnableMenuItem->trigger();
    EXPECT_EQ(tray.Hint(), "Corvalet - next mailing 12/10/2026 09:05 to 1 recipient");

    // Rows changed in the window count once it closes; none left to mail gives the plain name.
    Shell.TrayIcon().ConfigureMenuItem->trigger();
    Window.Rows = {{"d@example.org", "09 : 06", "Each Sunday", "BCC"}};
    Window.Form.close();
    EXPECT_EQ(tray.Hint(), "Corvalet - next mailing 12/13/2026 09:06 to 1 recipient");
    Shell.TrayIcon().ConfigureMenuItem->trigger();
    Window.Rows = {{"d@example.org", "09 : 06", "Only at date 12/01/2026", "BCC"}};
    Window.Form.close();
    EXPECT_EQ(tray.Hint(), "Corvalet");
}

TEST_F(ProgramShellTest, ErrorInFormCreateIsReportedAndTheRestSkipped) {
    Window.FillError = "'31/31/2026' is not a valid date";
    Start({});
    EXPECT_EQ(Boxes.Shown, std::vector<std::string>{"Error: '31/31/2026' is not a valid date"});
    EXPECT_EQ(Window.Prepared, 0);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    // The program still runs: the menu works.
    Shell.TrayIcon().ExitMenuItem->trigger();
    EXPECT_EQ(Quits, 1);
}

TEST_F(ProgramShellTest, SendNowRefusalIsShownInABoxAndScheduledRefusalIsLogged) {
    Window.Address = "  ";
    Window.Recipient = "a@example.org";
    Start({});
    Window.SendNow.click();
    EXPECT_EQ(Boxes.Shown, std::vector<std::string>{"Error: The sender's address may not be empty!"});

    Window.Form.hide();
    Window.Rows = {{"a@example.org", "09 : 05", "Daily", "BCC"}};
    Shell.TimerTimer();
    EXPECT_TRUE(Logged("FATAL ERROR: 12/09/2026 09:05:00 - Reason: The sender's address may not be empty!"));
    EXPECT_EQ(Boxes.Shown.size(), 1u);
}

TEST_F(ProgramShellTest, SendNowWithoutDistributionIsAWrongDistribution) {
    Window.Recipient = "a@example.org";
    Window.Distribution = -1;
    Start({});
    Window.SendNow.click();
    EXPECT_EQ(Boxes.Shown, std::vector<std::string>{"Error: Wrong distribution method for a@example.org!"});
    Window.Recipient = "   ";
    Window.SendNow.click();
    EXPECT_EQ(Boxes.Shown.size(), 1u);
}

TEST_F(ProgramShellTest, ExitDuringAMailingEndsTheProgramAfterItsReport) {
    Window.Rows = {{"a@example.org", "09 : 05", "Daily", "BCC"}, {"c@example.org", "09 : 05", "Daily", "CC"}};
    Start({"/HIDE"});
    Client.DuringSend = [this] {
        EXPECT_FALSE(Window.SendNow.isEnabled());
        Shell.TrayIcon().ExitMenuItem->trigger();
        EXPECT_EQ(Quits, 0);
    };
    Shell.TimerTimer();
    EXPECT_EQ(Client.SentTo(), std::vector<std::string>{"a@example.org"}); // no CC mailing after Exit
    EXPECT_EQ(Quits, 0);
    QCoreApplication::processEvents();
    EXPECT_EQ(Quits, 1);
    EXPECT_TRUE(Logged("             12/09/2026 09:05:00 - Successfully send the e-mail to a@example.org."));
}

// Whatever escapes an event handler, a menu command or a tick reaches the error handler, and the
// program goes on.
TEST_F(ProgramShellTest, ErrorsEscapingEventHandlersReachTheErrorHandler) {
    TestApplication().SetErrorHandler(&Shell);
    Start({});
    QTimer::singleShot(0, [] { throw std::runtime_error("Unable to write to /x/Corvalet.ini"); });
    QCoreApplication::processEvents();
    EXPECT_EQ(Boxes.Shown, std::vector<std::string>{"Error: Unable to write to /x/Corvalet.ini"});

    Window.Form.hide();
    QTimer::singleShot(0, [] { throw std::runtime_error("'31/31/2026' is not a valid date"); });
    QCoreApplication::processEvents();
    EXPECT_TRUE(Logged("FATAL ERROR: 12/09/2026 09:05:00 - Reason: '31/31/2026' is not a valid date"));
    TestApplication().SetErrorHandler(nullptr);
}

// The shell on the data module's real SMTP client, with the anti-freeze serving Qt's events as the
// program sets it up.
class ShellOnTheNetworkTest : public ::testing::Test, private TWithApplication {
protected:
    ShellOnTheNetworkTest() {
        DataModule.NetAntiFreeze.OnServiceUI = [](bool) { QCoreApplication::processEvents(); };
        DataModule.NetSMTP.ReadTimeout = 600;
        Window.Port = std::to_string(Server.Port());
        Window.Rows = {{"a@example.org", "09 : 05", "Daily", "BCC"},
                       {"c@example.org", "09 : 05", "Daily", "CC"}};
        Shell.FormCreate(true);
    }
    bool Logged(const std::string& part) const {
        for (const std::string& line : Shell.LogLines())
            if (line.find(part) != std::string::npos)
                return true;
        return false;
    }

    test::TScriptedSMTPServer Server{
        std::vector<test::TSMTPRule>{{"MAIL FROM", "", test::TSMTPAction::Silent}}};
    TTempDir Folder;
    TFakeClock Clock{TDateTime{2026, 12, 9, 9, 5, 0, 0}};
    TFormatSettings Formats{"MM/dd/yyyy", "HH:mm:ss"};
    TLogger Logger{Clock, Formats};
    test::TRecordingDialogs Boxes;
    TCorvaletDataModule DataModule;
    TDataModuleMailClient Client{DataModule};
    test::TFixedPasswordSource Passwords;
    TFakeShellWindow Window;
    int Quits = 0;
    TDeliveryState State{""};
    TProgramShell Shell{Window,
                        TShellServices{Clock, Formats, Logger, Boxes, Client, Passwords, [] {},
                                       [this] { Logger.SetFilePath(Folder.File("Corvalet.log").string()); },
                                       [] { return 1; }, [this] { ++Quits; }, State, [] { return 0; }}};
};

TEST_F(ShellOnTheNetworkTest, ExitWhileTheServerKeepsSilentEndsTheProgramAfterTheReport) {
    int ticksDuringMailing = 0;
    // The menu command and a tick of the next minute arrive while the mailing waits on the server.
    QTimer::singleShot(50, [this, &ticksDuringMailing] {
        Clock.AdvanceMinutes(1);
        Shell.TimerTimer();
        ++ticksDuringMailing;
        Shell.TrayIcon().ExitMenuItem->trigger();
    });
    Shell.TimerTimer();
    EXPECT_EQ(ticksDuringMailing, 1);
    EXPECT_TRUE(Logged("Failed to send e-mail to: a@example.org; Reason: Read Timeout"));
    EXPECT_FALSE(Logged("c@example.org")) << "a mailing started after Exit";
    EXPECT_FALSE(DataModule.NetSMTP.IsConnected());
    EXPECT_EQ(Quits, 0);
    QCoreApplication::processEvents();
    EXPECT_EQ(Quits, 1);
}

} // namespace
} // namespace corvalet
