#include "help/HelpCatalogue.h"
#include "help/ContextHelp.h"
#include "help/HelpComponents.h"
#include "help/WindowHelpTable.h"

#include "app/Dialogs.h"
#include "log/Logger.h"
#include "platform/FormatSettings.h"
#include "settings/Configuration.h"
#include "ui/FileChooser.h"
#include "ui/LoggingPage.h"
#include "ui/MainForm.h"

#include "HelpTestDoubles.h"
#include "support/QtTestApplication.h"
#include "support/FakeClock.h"
#include "support/FakeRegistry.h"
#include "support/TempDir.h"

#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace corvalet {
namespace {

class TSilentDialogs final : public TDialogs {
public:
    void ShowInformation(const std::string&) override {}
    void ShowError(const std::string&) override {}
    bool Confirm(const std::string&) override { return false; }
};

class TNoFileChooser final : public TFileChooser {
public:
    std::optional<std::string> Choose(const TFileChoice&) override { return std::nullopt; }
};

// The configuration window as the program builds it, with F1 installed and the help components
// between it and a recording help display.
class MainFormHelpTest : public testing::Test {
protected:
    MainFormHelpTest() {
        Form->SettingsToControls();
        InstallContextHelp(*Form, Manager);
        Form->show();
        Form->activateWindow();
        Active = QTest::qWaitForWindowActive(Form.get());
    }

    // F1 on a control of the window, with that control's page in front and the focus on it.
    std::vector<THTMLHelpCall> PressF1On(QWidget* control) {
        for (QWidget* w = control; w; w = w->parentWidget())
            if (Form->Pages()->indexOf(w) >= 0)
                Form->Pages()->setCurrentWidget(w);
        control->setFocus();
        Display.Calls.clear();
        QTest::keyClick(control, Qt::Key_F1);
        return Display.Calls;
    }

    test::TQtApplicationFirst App;
    test::TTempDir Folder;
    test::TFakeRegistry Registry;
    TConfiguration Settings{Folder.Folder(), Registry};
    TFormatSettings Formats{"dd.MM.yyyy", "HH:mm:ss"};
    test::TFakeClock Clock;
    TLogger Logger{Clock, Formats};
    TSilentDialogs Dialogs;
    TNoFileChooser Chooser;
    THelpManager Manager;
    test::TRecordingDisplay Display;
    TWidgetHelpFocus Focus;
    THelpComponents Components{Manager, Display, Focus};
    std::unique_ptr<TMainForm> Form = std::make_unique<TMainForm>(
        TMainFormServices{Settings, Logger, Dialogs, Chooser, Formats, Clock, [](const std::exception&) {}});
    bool Active = false;
};

using enum EHTMLHelpCommand;

TEST_F(MainFormHelpTest, F1OnTheRecipientListAsksForTheKeywordRecipients) {
    QWidget* list = Form->findChild<QWidget*>("RecipientsListView");
    ASSERT_NE(list, nullptr);
    ASSERT_TRUE(Active);
    // The viewer first positions pop-ups at the focused list, which shows the default topic.
    EXPECT_EQ(PressF1On(list),
              (std::vector<THTMLHelpCall>{{DisplayTopic, 0u}, {DisplayIndex, std::string("Recipients")}}));
}

TEST_F(MainFormHelpTest, F1OnTheLoggingPageAsksForContext1060) {
    QGroupBox* mechanisms = Form->LoggingPage()->MechanismGroup();
    QRadioButton* option = mechanisms->findChild<QRadioButton*>();
    ASSERT_NE(option, nullptr);
    ASSERT_TRUE(Active);
    EXPECT_EQ(PressF1On(option), (std::vector<THTMLHelpCall>{{DisplayTopic, 0u}, {DisplayContext, 1060u}}));
}

TEST_F(MainFormHelpTest, F1ElsewhereFindsThePageOrTheWindow) {
    const std::pair<const char*, std::uint32_t> cases[] = {
        {"SenderNameEdit", 1030}, {"SubjectEdit", 1040}, {"SMTPHostNameEdit", 1050}};
    for (const auto& [name, context] : cases) {
        QWidget* control = Form->findChild<QWidget*>(name);
        ASSERT_NE(control, nullptr) << name;
        const auto calls = PressF1On(control);
        ASSERT_FALSE(calls.empty()) << name;
        EXPECT_EQ(calls.back(), (THTMLHelpCall{DisplayContext, context})) << name;
    }
}

TEST_F(MainFormHelpTest, F1OnTheWindowsButtonsOpensTheirSection) {
    ASSERT_TRUE(Active);
    const std::pair<const char*, const char*> cases[] = {
        {"OKButton", "OK"}, {"CancelButton", "Cancel"}, {"HelpButton", "Help button"}, {"AboutButton", "About box"}};
    for (const auto& [name, keyword] : cases) {
        QWidget* button = Form->findChild<QWidget*>(name);
        ASSERT_NE(button, nullptr) << name;
        const auto calls = PressF1On(button);
        ASSERT_FALSE(calls.empty()) << name;
        EXPECT_EQ(calls.back(), (THTMLHelpCall{DisplayIndex, std::string(keyword)})) << name;
    }
    // Each keyword is an index entry of the buttons' section.
    const THelpCatalogue catalogue = THelpCatalogue::Load(CORVALET_HELP_SOURCE_DIR);
    for (const auto& [name, keyword] : cases) {
        const std::optional<std::size_t> position = catalogue.IndexPosition(keyword);
        ASSERT_TRUE(position.has_value()) << keyword;
        EXPECT_TRUE(catalogue.IndexEntryCovers(*position, keyword)) << keyword;
        EXPECT_EQ(catalogue.Index()[*position].Page, "configuration.html#buttons") << keyword;
    }
}

// The window's "Help" button, connected as the program connects it, asks for "Welcome": the default
// topic.
TEST_F(MainFormHelpTest, HelpButtonShowsTheDefaultTopic) {
    QObject::connect(Form.get(), &TMainForm::HelpRequested, [this] { ShowWindowHelp(Manager); });
    auto* button = Form->findChild<QPushButton*>("HelpButton");
    ASSERT_NE(button, nullptr);
    button->click();
    EXPECT_EQ(Display.Calls, (std::vector<THTMLHelpCall>{{DisplayTopic, 0u}}));
}

} // namespace
} // namespace corvalet
