// The shell around the real configuration window: settings file in, mailings out.

#include "AppFakes.h"
#include "TestApplication.h"
#include "log/Logger.h"
#include "settings/Configuration.h"
#include "support/FakeClock.h"
#include "support/FakeRegistry.h"
#include "support/TempDir.h"
#include "ui/FileChooser.h"
#include "log/ConfigureLogger.h"
#include "ui/MainForm.h"
#include "ui/MainFormShellWindow.h"
#include "ui/ProgramShell.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>

#include <gtest/gtest.h>

namespace corvalet {
namespace {

using namespace test;

class TNoFileChooser final : public TFileChooser {
public:
    std::optional<std::string> Choose(const TFileChoice&) override { return std::nullopt; }
};

class MainFormShellTest : public ::testing::Test {
protected:
    MainFormShellTest() {
        TestApplication();
        Folder.Write("Corvalet.ini", "[General]\r\nSenderName=Team LEAD\r\nSenderAddress=Lead@Example.org\r\n"
                                     "RecipientCount=2\r\n"
                                     "RecipientAddress0=a@example.org\r\nRecipientTime0=09 : 05\r\n"
                                     "RecipientEmailFreq0=Daily\r\nRecipientDistrMeth0=BCC\r\n"
                                     "RecipientAddress1=c@example.org\r\nRecipientTime1=09 : 05\r\n"
                                     "RecipientEmailFreq1=Daily\r\nRecipientDistrMeth1=CC\r\n"
                                     "[Logging]\r\nMechanism=2\r\n"
                                     "[Connection]\r\nSMTPHost=127.0.0.1\r\nPortNumber=2525\r\nTimeOut=2\r\n"
                                     "[Message]\r\nSubject=Figures\r\n");
        Form = std::make_unique<TMainForm>(TMainFormServices{
            Settings, Logger, Dialogs, Chooser, Formats, Clock,
            [this](const std::exception& error) { Shell->HandleApplicationException(error); }});
        Window = std::make_unique<TMainFormShellWindow>(*Form);
        Shell = std::make_unique<TProgramShell>(
            *Window,
            TShellServices{Clock, Formats, Logger, Dialogs, Client, Passwords, [this] { Settings.LoadFromIni(); },
                           [this] { ConfigureLogger(Logger, Settings); },
                           [this] { return static_cast<int>(Settings.TimeOut); }, [] {}, State,
                           [this] { return static_cast<int>(Settings.CatchUpMinutes); }});
    }
    ~MainFormShellTest() override {
        Shell.reset();
        Window.reset();
        Form.reset();
    }

    template <typename T> T* Find(const char* name) const {
        T* control = Form->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(control, nullptr) << name;
        return control;
    }

    TTempDir Folder;
    TFakeRegistry Registry;
    TConfiguration Settings{Folder.Folder(), Registry};
    TFormatSettings Formats{"MM/dd/yyyy", "HH:mm:ss"};
    TFakeClock Clock{TDateTime{2026, 12, 9, 9, 5, 0, 0}};
    TLogger Logger{Clock, Formats};
    TRecordingDialogs Dialogs;
    TNoFileChooser Chooser;
    TRecordingMailClient Client;
    TFixedPasswordSource Passwords;
    std::unique_ptr<TMainForm> Form;
    std::unique_ptr<TMainFormShellWindow> Window;
    TDeliveryState State{""};
    std::unique_ptr<TProgramShell> Shell;
};

TEST_F(MainFormShellTest, HiddenStartMailsTheSettingsRowsAndLogsThem) {
    Shell->FormCreate(true);
    EXPECT_FALSE(Form->isVisible());
    Shell->TimerTimer();
    EXPECT_EQ(Client.SentTo(), (std::vector<std::string>{"a@example.org", "c@example.org"}));
    EXPECT_TRUE(Client.Called("Recipients 1 c@example.org"));
    EXPECT_TRUE(Client.Called("From team lead <lead@example.org>"));
    EXPECT_TRUE(Client.Called("Connect 60000"));
    EXPECT_EQ(Folder.Read("Corvalet.log").find("Errors log created on"), 0u);
    EXPECT_NE(Folder.Read("Corvalet.log")
                  .find("             12/09/2026 09:05:00 - Successfully send the e-mail to "
                        "c@example.org.\r\n"),
              std::string::npos);
}

TEST_F(MainFormShellTest, TheIconsHintNamesTheNextMailingOfTheListsRows) {
    Shell->FormCreate(true);
    EXPECT_EQ(Shell->TrayIcon().Hint(), "Corvalet - next mailing 12/09/2026 09:05 to 2 recipients");
    Shell->TimerTimer();
    EXPECT_EQ(Shell->TrayIcon().Hint(), "Corvalet - next mailing 12/10/2026 09:05 to 2 recipients");
}

TEST_F(MainFormShellTest, SendNowUsesTheFieldsAsTheyStandButTheSavedTimeOut) {
    Shell->FormCreate(false);
    ASSERT_TRUE(Form->isVisible());
    EXPECT_EQ(Form->windowTitle(), "Corvalet Configuration");
    Find<QLineEdit>("RecipientAddressEdit")->setText("x@example.org");
    Find<QLineEdit>("SMTPHostNameEdit")->setText("mail.example.org");
    Find<QSlider>("TimeOutTrackBar")->setValue(7); // not confirmed with OK
    QPushButton* sendNow = Find<QPushButton>("SendNowBitBtn");
    ASSERT_TRUE(sendNow->isEnabled());
    Client.DuringSend = [sendNow] { EXPECT_FALSE(sendNow->isEnabled()); };
    sendNow->click();
    EXPECT_TRUE(Client.Called("Recipients 0 x@example.org"));
    EXPECT_TRUE(Client.Called("Host mail.example.org"));
    EXPECT_TRUE(Client.Called("Connect 60000"));
    EXPECT_EQ(Dialogs.Shown,
              std::vector<std::string>{"Information: Successfully send the e-mail to x@example.org."});
    QCoreApplication::processEvents();
    EXPECT_TRUE(sendNow->isEnabled());
}

} // namespace
} // namespace corvalet
