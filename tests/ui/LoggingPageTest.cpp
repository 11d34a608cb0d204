// The logging page's enabling rules.
#include "MainFormFixture.h"

#include "ui/UpDown.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QToolButton>

namespace corvalet::test {
namespace {

class LoggingPage : public TMainFormTest {
protected:
    void SetUp() override {
        Form->show();
        Find<QTabWidget>("PageControl")->setCurrentIndex(3);
    }

    void Choose(int mechanism) {
        ClickBox(Find<QRadioButton>(("LogTypeRadioButton" + std::to_string(mechanism)).c_str()));
    }
    void SetLimited(bool limited) {
        auto* box = Find<QCheckBox>("LimitLogFileCheckBox");
        if (box->isChecked() != limited && box->isEnabled())
            ClickBox(box);
        else if (box->isChecked() != limited)
            box->setChecked(limited);
    }
    bool Enabled(const char* name) const { return Find<QWidget>(name)->isEnabled(); }
};

TEST_F(LoggingPage, MechanismAndCheckBoxEnableTheFileAndSizeControls) {
    const struct {
        int Mechanism;
        bool Limited;
        bool FileControls;
        bool SizeControls;
    } cases[] = {{0, false, false, false}, {0, true, false, false}, {1, false, true, false},
                 {1, true, true, true},    {2, true, true, true},   {2, false, true, false}};
    for (const auto& example : cases) {
        Choose(1);
        SetLimited(example.Limited);
        Choose(example.Mechanism);
        const std::string label = std::to_string(example.Mechanism) + (example.Limited ? " limited" : "");
        for (const char* name :
             {"LoggingFileNameLabel", "LoggingFileNameEdit", "LoggingFileNameButton", "LimitLogFileCheckBox"})
            EXPECT_EQ(Enabled(name), example.FileControls) << name << ", " << label;
        for (const char* name : {"MaximumLogFileSizeEdit", "MaximumLogFileSizeUpDown", "MbLabel"})
            EXPECT_EQ(Enabled(name), example.SizeControls) << name << ", " << label;
    }
}

TEST_F(LoggingPage, ClickingTheCheckBoxAppliesTheSizeRule) {
    Choose(2);
    SetLimited(false);
    EXPECT_FALSE(Enabled("MaximumLogFileSizeEdit"));
    ClickBox(Find<QCheckBox>("LimitLogFileCheckBox"));
    EXPECT_TRUE(Enabled("MaximumLogFileSizeEdit"));
    EXPECT_TRUE(Enabled("MaximumLogFileSizeUpDown"));
}

TEST_F(LoggingPage, SettingsApplyTheRulesToo) {
    Settings.LogMechanism = 0;
    Settings.LogSizeIsLimited = true;
    Form->SettingsToControls();
    EXPECT_FALSE(Enabled("LoggingFileNameEdit"));
    EXPECT_FALSE(Enabled("MaximumLogFileSizeEdit"));
    Settings.LogMechanism = 1;
    Form->SettingsToControls();
    EXPECT_TRUE(Enabled("LoggingFileNameEdit"));
    EXPECT_TRUE(Enabled("MaximumLogFileSizeEdit"));
}

TEST_F(LoggingPage, SizeArrowsStayWithin1And1024) {
    Choose(2);
    SetLimited(true);
    auto* arrows = Find<TUpDown>("MaximumLogFileSizeUpDown");
    auto* field = Find<QLineEdit>("MaximumLogFileSizeEdit");
    arrows->SetPosition(1);
    QTest::mouseClick(arrows->DownButton(), Qt::LeftButton);
    EXPECT_EQ(arrows->Position(), 1);
    QTest::mouseClick(arrows->UpButton(), Qt::LeftButton);
    EXPECT_EQ(arrows->Position(), 2);
    EXPECT_EQ(field->text(), "2");
    field->setFocus();
    QTest::keyClick(field, Qt::Key_Up);
    EXPECT_EQ(arrows->Position(), 3);
    QTest::keyClick(field, Qt::Key_Down);
    EXPECT_EQ(field->text(), "2");
    arrows->SetPosition(5000);
    EXPECT_EQ(arrows->Position(), 1024);
    EXPECT_EQ(field->text(), "1024");
}

TEST_F(LoggingPage, ATypedSizeReachesTheSettings) {
    Choose(2);
    SetLimited(true);
    auto* field = Find<QLineEdit>("MaximumLogFileSizeEdit");
    field->selectAll();
    QTest::keyClicks(field, "300");
    QTest::mouseClick(Find<QPushButton>("OKButton"), Qt::LeftButton);
    EXPECT_EQ(Settings.LogSizeLimit, 300);
    EXPECT_TRUE(Settings.LogSizeIsLimited);
    EXPECT_EQ(Settings.LogMechanism, 2);
}

} // namespace
} // namespace corvalet::test
