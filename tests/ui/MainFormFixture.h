#pragma once

#include "app/Dialogs.h"
#include "log/Logger.h"
#include "platform/Autostart.h"
#include "platform/FormatSettings.h"
#include "settings/Configuration.h"
#include "support/FakeClock.h"
#include "support/FakeRegistry.h"
#include "support/TempDir.h"
#include "ui/FileChooser.h"
#include "ui/MainForm.h"

#include <QApplication>
#include <QTreeWidget>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <optional>
#include <string>
#include <vector>

// Readable texts in the test reports.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace corvalet::test {

// The one application object of the UI tests, on Qt's offscreen platform unless the caller chose one.
QApplication& UiApplication();

// Every heading of the list from `firstColumn` on is whole: its longest line, and the sort mark
// where it stands.
void ExpectHeadingsWhole(const QTreeWidget& list, int firstColumn, const std::string& where);

// Message boxes that record their texts and answer questions as told.
class TFakeDialogs final : public TDialogs {
public:
    void ShowInformation(const std::string& text) override { Informations.push_back(text); }
    void ShowError(const std::string& text) override { Errors.push_back(text); }
    bool Confirm(const std::string& text) override {
        Questions.push_back(text);
        return Answer;
    }

    bool Answer = true;
    std::vector<std::string> Informations;
    std::vector<std::string> Errors;
    std::vector<std::string> Questions;
};

// A file chooser that records what it was asked and answers with a prepared path, or cancels.
class TFakeFileChooser final : public TFileChooser {
public:
    std::optional<std::string> Choose(const TFileChoice& choice) override {
        Requests.push_back(choice);
        return Answer;
    }

    std::optional<std::string> Answer;
    std::vector<TFileChoice> Requests;
};

// The configuration window on settings of its own in a temporary program folder, with recorded
// dialogs and errors, a clock standing at 9 December 2026 14:30 and the date format dd.MM.yyyy.
class TMainFormTest : public ::testing::Test {
protected:
    TMainFormTest();
    ~TMainFormTest() override;

    // Shows the window and gives it the keyboard focus, for tests about typing and focus.
    void ShowActive();
    // Builds the window again from the current settings, as the program start does.
    void Recreate();

    // Clicks a check box or option button on its box, which is where it takes clicks.
    static void ClickBox(QWidget* option) {
        QTest::mouseClick(option, Qt::LeftButton, {}, QPoint(8, option->height() / 2));
    }

    template <typename T> T* Find(const char* name) const {
        T* control = Form->findChild<T*>(QString::fromLatin1(name));
        if (control == nullptr)
            ADD_FAILURE() << "no control " << name;
        return control;
    }

    TTempDir Folder;
    TFakeRegistry Registry;
    TConfiguration Settings;
    TFormatSettings Formats{"dd.MM.yyyy", "HH:mm:ss"};
    TFakeClock Clock{TDateTime{2026, 12, 9, 14, 30, 0, 0}};
    TLogger Logger{Clock, Formats};
    TFakeDialogs Dialogs;
    TFakeFileChooser Chooser;
    // What reached the program-wide error handler, and whether the window was visible then.
    std::vector<std::string> HandledErrors;
    std::vector<bool> VisibleAtError;
    // The autostart entry behind "Start at log-in"; none unless a test sets one and recreates.
    std::unique_ptr<TAutostartEntry> Autostart;
    std::unique_ptr<TMainForm> Form;
};

} // namespace corvalet::test
