// Settings copied into the window, back on OK and saved; discarded on Cancel.
#include "MainFormFixture.h"

#include "ui/ConnectionPage.h"
#include "ui/RecipientEditor.h"
#include "ui/UpDown.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSlider>
#include <QTabWidget>
#include <QTreeWidget>

#include <filesystem>

namespace corvalet::test {
namespace {

class SettingsRoundTrip : public TMainFormTest {
protected:
    void FillSettings() {
        Settings.SenderName = "Ann Example";
        Settings.SenderAddress = "ann@example.test";
        Settings.ClearRecipients();
        Settings.AddRecipient("bob@example.test", "09 : 05", "Each Friday", "CC");
        Settings.AddRecipient("carol@example.test", "14 : 30", "Only at date 24.12.2026", "BCC");
        Settings.SMTPHost = "smtp.example.test";
        Settings.PortNumber = 2525;
        Settings.TimeOut = 4;
        Settings.Subject = "Weekly report";
        Settings.ContentType = 1;
        Settings.BodyFileName = "/srv/body.txt";
        Settings.Attachment = "/srv/report.pdf";
        Settings.Priority = 0;
        Settings.LogMechanism = 2;
        Settings.LogFileName = "logs/run.log";
        Settings.LogSizeIsLimited = true;
        Settings.LogSizeLimit = 7;
    }

    QString Text(const char* name) const { return Find<QLineEdit>(name)->text(); }
    void ClickOK() { QTest::mouseClick(Find<QPushButton>("OKButton"), Qt::LeftButton); }
};

TEST_F(SettingsRoundTrip, EveryControlShowsItsSetting) {
    FillSettings();
    Form->SettingsToControls();

    EXPECT_EQ(Text("SenderNameEdit"), "Ann Example");
    EXPECT_EQ(Text("SenderAddressEdit"), "ann@example.test");
    auto* list = Find<QTreeWidget>("RecipientsListView");
    ASSERT_EQ(list->topLevelItemCount(), 2);
    const QStringList first{"bob@example.test", "09 : 05", "Each Friday", "CC"};
    const QStringList second{"carol@example.test", "14 : 30", "Only at date 24.12.2026", "BCC"};
    for (int column = 0; column < 4; ++column) {
        EXPECT_EQ(list->topLevelItem(0)->text(column), first[column]);
        EXPECT_EQ(list->topLevelItem(1)->text(column), second[column]);
    }
    EXPECT_EQ(Text("SMTPHostNameEdit"), "smtp.example.test");
    EXPECT_EQ(Text("PortNumberEdit"), "2525");
    EXPECT_EQ(Find<QSlider>("TimeOutTrackBar")->value(), 4);
    EXPECT_EQ(Find<QLabel>("TimeOutChoiceLabel")->text(), "2 minutes");
    EXPECT_EQ(Text("SubjectEdit"), "Weekly report");
    EXPECT_EQ(Find<QComboBox>("ContentTypeComboBox")->currentText(), "Plain text");
    EXPECT_EQ(Text("BodyFileNameEdit"), "/srv/body.txt");
    EXPECT_EQ(Text("AttachmentFileNameEdit"), "/srv/report.pdf");
    EXPECT_EQ(Find<QComboBox>("EmailPriorityComboBox")->currentText(), "Highest");
    EXPECT_TRUE(Find<QRadioButton>("LogTypeRadioButton2")->isChecked());
    EXPECT_EQ(Text("LoggingFileNameEdit"), "logs/run.log");
    EXPECT_TRUE(Find<QCheckBox>("LimitLogFileCheckBox")->isChecked());
    EXPECT_EQ(Text("MaximumLogFileSizeEdit"), "7");
    EXPECT_EQ(Find<TUpDown>("MaximumLogFileSizeUpDown")->Position(), 7);
    // A path may be wider than its field: the whole name is the field's tooltip.
    for (const char* name : {"BodyFileNameEdit", "AttachmentFileNameEdit", "LoggingFileNameEdit"})
        EXPECT_EQ(Find<QLineEdit>(name)->toolTip(), Text(name)) << name;
}

TEST_F(SettingsRoundTrip, OKStoresEveryControlAndSavesTheFile) {
    FillSettings();
    Form->SettingsToControls();
    Form->show();
    ClickOK();

    EXPECT_FALSE(Form->isVisible());
    EXPECT_TRUE(HandledErrors.empty());
    TConfiguration saved(Folder.Folder(), Registry);
    saved.LoadFromIni();
    EXPECT_EQ(saved.SenderName, "Ann Example");
    EXPECT_EQ(saved.SenderAddress, "ann@example.test");
    ASSERT_EQ(saved.RecipientCount(), 2);
    EXPECT_EQ(saved.RecipientAddress(0), "bob@example.test");
    EXPECT_EQ(saved.RecipientTime(0), "09 : 05");
    EXPECT_EQ(saved.RecipientFrequency(0), "Each Friday");
    EXPECT_EQ(saved.RecipientDistribution(0), "CC");
    EXPECT_EQ(saved.RecipientFrequency(1), "Only at date 24.12.2026");
    EXPECT_EQ(saved.RecipientDistribution(1), "BCC");
    EXPECT_EQ(saved.SMTPHost, "smtp.example.test");
    EXPECT_EQ(saved.PortNumber, 2525);
    EXPECT_EQ(saved.TimeOut, 4);
    EXPECT_EQ(saved.Subject, "Weekly report");
    EXPECT_EQ(saved.ContentType, 1);
    EXPECT_EQ(saved.BodyFileName, "/srv/body.txt");
    EXPECT_EQ(saved.Attachment, "/srv/report.pdf");
    EXPECT_EQ(saved.Priority, 0);
    EXPECT_EQ(saved.LogMechanism, 2);
    EXPECT_EQ(saved.LogFileName, "logs/run.log");
    EXPECT_TRUE(saved.LogSizeIsLimited);
    EXPECT_EQ(saved.LogSizeLimit, 7);
}

TEST_F(SettingsRoundTrip, EditedControlsReachTheSettings) {
    Form->SettingsToControls();
    Find<QLineEdit>("SubjectEdit")->setText("Changed subject");
    Find<QComboBox>("EmailPriorityComboBox")->setCurrentIndex(4);
    Find<QSlider>("TimeOutTrackBar")->setValue(10);
    Form->show();
    Form->Pages()->setCurrentIndex(3);
    ClickBox(Find<QRadioButton>("LogTypeRadioButton0"));
    ClickOK();

    EXPECT_EQ(Settings.Subject, "Changed subject");
    EXPECT_EQ(Settings.Priority, 4);
    EXPECT_EQ(Settings.TimeOut, 10);
    EXPECT_EQ(Settings.LogMechanism, 0);
}

TEST_F(SettingsRoundTrip, AnUnsavedTimeOutShowsAsThirtySecondsAndIsStoredAsOne) {
    Settings.TimeOut = 0;
    Form->SettingsToControls();
    EXPECT_EQ(Find<QSlider>("TimeOutTrackBar")->value(), 1);
    EXPECT_EQ(Find<QLabel>("TimeOutChoiceLabel")->text(), "30 seconds");
    ClickOK();
    EXPECT_EQ(Settings.TimeOut, 1);
}

TEST_F(SettingsRoundTrip, TrackBarPositionsShowTheirTexts) {
    auto* bar = Find<QSlider>("TimeOutTrackBar");
    EXPECT_EQ(bar->minimum(), 1);
    EXPECT_EQ(bar->maximum(), 10);
    const char* const texts[] = {"30 seconds",
                                 "1 minute",
                                 "1 minute and 30 seconds",
                                 "2 minutes",
                                 "2 minutes and 30 seconds",
                                 "3 minutes",
                                 "3 minutes and 30 seconds",
                                 "4 minutes",
                                 "4 minutes and 30 seconds",
                                 "5 minutes"};
    for (int position = 10; position >= 1; --position) {
        bar->setValue(position);
        EXPECT_EQ(Find<QLabel>("TimeOutChoiceLabel")->text(), texts[position - 1]) << position;
    }
}

TEST_F(SettingsRoundTrip, PortFieldIsReadAsADecimalNumberOr25) {
    const struct {
        const char* Field;
        std::int32_t Stored;
    } cases[] = {{"", 25}, {"70000", 70000}, {"587", 587}, {"12ab", 25}, {"99999999999", 25}};
    for (const auto& example : cases) {
        Settings.PortNumber = 1;
        Find<QLineEdit>("PortNumberEdit")->setText(example.Field);
        ClickOK();
        EXPECT_EQ(Settings.PortNumber, example.Stored) << '"' << example.Field << '"';
    }
}

TEST_F(SettingsRoundTrip, OKConfiguresTheLogWriterFromTheControls) {
    Find<QLineEdit>("LoggingFileNameEdit")->setText("other.log");
    ClickOK();
    EXPECT_EQ(Logger.GetFilePath(), Folder.Folder() + "other.log");
}

TEST_F(SettingsRoundTrip, CancelDiscardsAnAddedRowAndOtherEdits) {
    Form->show();
    auto* list = Find<QTreeWidget>("RecipientsListView");
    const int rowsBefore = list->topLevelItemCount();
    Find<QLineEdit>("RecipientAddressEdit")->setText("new@example.test");
    QTest::mouseClick(Find<QPushButton>("AddBitBtn"), Qt::LeftButton);
    ASSERT_EQ(list->topLevelItemCount(), rowsBefore + 1);
    Find<QLineEdit>("SubjectEdit")->setText("not kept");

    QTest::mouseClick(Find<QPushButton>("CancelButton"), Qt::LeftButton);

    EXPECT_FALSE(Form->isVisible());
    EXPECT_EQ(list->topLevelItemCount(), rowsBefore);
    EXPECT_EQ(Find<QLineEdit>("SubjectEdit")->text(), "");
    EXPECT_EQ(Settings.RecipientCount(), rowsBefore);
}

TEST_F(SettingsRoundTrip, EscapeCancels) {
    ShowActive();
    Find<QLineEdit>("SubjectEdit")->setText("not kept");
    QTest::keyClick(Form.get(), Qt::Key_Escape);
    EXPECT_FALSE(Form->isVisible());
    EXPECT_EQ(Find<QLineEdit>("SubjectEdit")->text(), "");
}

TEST_F(SettingsRoundTrip, ASettingsFileThatCannotBeWrittenIsReportedAndTheWindowStaysOpen) {
    TConfiguration unwritable(Folder.Folder() + "missing/folder/", Registry);
    Form = std::make_unique<TMainForm>(TMainFormServices{unwritable, Logger, Dialogs, Chooser, Formats, Clock,
                                                         [this](const std::exception& error) {
                                                             HandledErrors.emplace_back(error.what());
                                                             VisibleAtError.push_back(Form->isVisible());
                                                         }});
    Form->SettingsToControls();
    Form->show();
    Find<QLineEdit>("SubjectEdit")->setText("kept in memory");

    ClickOK();

    // Reported while the window is visible, so the program's handler shows a box, not a log entry.
    EXPECT_TRUE(Form->isVisible());
    ASSERT_EQ(HandledErrors.size(), 1u);
    EXPECT_EQ(HandledErrors[0].rfind("Unable to write to ", 0), 0u) << HandledErrors[0];
    EXPECT_TRUE(VisibleAtError[0]);
    EXPECT_EQ(Find<QLineEdit>("SubjectEdit")->text(), "kept in memory");
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);

    // Once the folder is there, OK saves and closes the window.
    ASSERT_TRUE(std::filesystem::create_directories(Folder.Folder() + "missing/folder/"));
    ClickOK();
    EXPECT_FALSE(Form->isVisible());
    EXPECT_EQ(HandledErrors.size(), 1u);
}

TEST_F(SettingsRoundTrip, AStoredRecipientWithoutTextsShowsTheFillTimeDailyAndBCC) {
    Settings.ClearRecipients();
    Settings.AddRecipient("dan@example.test", "", "", "");
    Clock.Set(TDateTime{2026, 12, 9, 7, 3, 0, 0});
    Form->SettingsToControls();
    auto* row = Find<QTreeWidget>("RecipientsListView")->topLevelItem(0);
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(row->text(1), "07 : 03");
    EXPECT_EQ(row->text(2), "Daily");
    EXPECT_EQ(row->text(3), "BCC");
}

TEST_F(SettingsRoundTrip, CodesWithoutAnItemSelectNoneAndSurviveOK) {
    Settings.Priority = 9;
    Settings.ContentType = 7;
    Settings.LogMechanism = 5;
    Form->SettingsToControls();
    EXPECT_EQ(Find<QComboBox>("EmailPriorityComboBox")->currentIndex(), -1);
    EXPECT_EQ(Find<QComboBox>("ContentTypeComboBox")->currentIndex(), -1);
    ClickOK();
    EXPECT_EQ(Settings.Priority, 9);
    EXPECT_EQ(Settings.ContentType, 7);
    EXPECT_EQ(Settings.LogMechanism, 5);
}

} // namespace
} // namespace corvalet::test
