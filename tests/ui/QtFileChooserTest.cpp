// The real file chooser: its parent window, the folder rule of the log chooser and the replace
// question, driven through Qt's own dialog.
#include "MainFormFixture.h"

#include "ui/QtFileChooser.h"

#include <QAbstractButton>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QTimer>
#include <QWidget>

#include <deque>
#include <fstream>
#include <functional>

namespace corvalet::test {
namespace {

// Plays the user at the dialogs that open one after another: each step waits for a modal window of
// its kind, then acts on it. Anything left open when the steps run out or time passes is closed, so
// a wrong expectation fails the test instead of hanging it.
class TModalScript {
public:
    struct TStep {
        bool MessageBox = false;
        std::function<void(QWidget*)> Act;
    };

    explicit TModalScript(std::deque<TStep> steps) : Steps(std::move(steps)) {
        Timer.setInterval(10);
        QObject::connect(&Timer, &QTimer::timeout, [this] { Tick(); });
        Timer.start();
    }

    std::vector<QString> UnexpectedBoxes;

private:
    void Tick() {
        QWidget* modal = QApplication::activeModalWidget();
        if (Acting || modal == nullptr || !modal->isVisible())
            return;
        auto* box = qobject_cast<QMessageBox*>(modal);
        if (!Steps.empty() && (box != nullptr) == Steps.front().MessageBox) {
            // Acted on from the event loop, not inside this tick: an action that opens another modal
            // window must not hold up the ticks that answer it.
            Acting = true;
            QTimer::singleShot(0, &Timer, [this, act = Steps.front().Act, modal] {
                Acting = false;
                act(modal);
            });
            Steps.pop_front();
            return;
        }
        if (box != nullptr) {
            // Answered as the user who goes on would: Yes where asked, OK otherwise.
            UnexpectedBoxes.push_back(box->text());
            QAbstractButton* answer = box->button(QMessageBox::Yes);
            if (answer == nullptr)
                answer = box->button(QMessageBox::Ok);
            if (answer != nullptr)
                answer->click();
            else
                box->reject();
        } else if (Steps.empty() || ++Patience > 300) {
            qobject_cast<QDialog*>(modal)->reject();
        }
    }

    std::deque<TStep> Steps;
    bool Acting = false;
    QTimer Timer;
    int Patience = 0;
};

// Types a name into the dialog's file name field and presses its accept button.
TModalScript::TStep TypeAndAccept(const std::string& name, QWidget** parent = nullptr) {
    return {false, [name, parent](QWidget* modal) {
                if (parent != nullptr)
                    *parent = modal->parentWidget();
                auto* dialog = qobject_cast<QFileDialog*>(modal);
                ASSERT_NE(dialog, nullptr);
                auto* field = dialog->findChild<QLineEdit*>("fileNameEdit");
                ASSERT_NE(field, nullptr);
                field->setText(QString::fromStdString(name));
                // As the Save or Open button does (accept is not public on the dialog).
                QMetaObject::invokeMethod(dialog, "accept", Qt::DirectConnection);
            }};
}

TModalScript::TStep NoteBox(QString& text) {
    return {true, [&text](QWidget* modal) {
                auto* box = qobject_cast<QMessageBox*>(modal);
                text = box->text();
                box->accept();
            }};
}

TFileChoice LogChoice(const std::string& folder) {
    TFileChoice choice;
    choice.Kind = TFileChoice::EKind::Save;
    choice.Types = {{"Log Files (*.log)", "*.log"}};
    choice.DefaultExtension = "log";
    choice.InitialFolder = folder;
    choice.FolderMustExist = true;
    choice.ConfirmReplace = false;
    return choice;
}

class QtFileChooser : public ::testing::Test {
protected:
    QtFileChooser() { Owner.show(); }

    QApplication& Application = UiApplication();
    TTempDir Folder;
    QWidget Owner;
    TQtFileChooser Chooser{&Owner};
};

TEST_F(QtFileChooser, ALogInAFolderThatDoesNotExistIsRefusedAndTheUserAskedAgain) {
    const std::string missing = Folder.Folder() + "no-such-folder/run.log";
    const std::string good = Folder.Folder() + "run.log";
    QString warning;
    QWidget* parent = nullptr;
    TModalScript script({TypeAndAccept(missing, &parent), NoteBox(warning), TypeAndAccept(good)});

    const std::optional<std::string> chosen = Chooser.Choose(LogChoice(Folder.Folder()));

    EXPECT_EQ(chosen, good);
    EXPECT_TRUE(warning.contains("no-such-folder")) << warning.toStdString();
    EXPECT_TRUE(warning.contains("does not exist")) << warning.toStdString();
    EXPECT_TRUE(script.UnexpectedBoxes.empty());
    // The chooser belongs to the window that asked for it.
    EXPECT_EQ(parent, &Owner);
}

TEST_F(QtFileChooser, AnExistingLogIsTakenWithoutAReplaceQuestion) {
    const std::string existing = Folder.Folder() + "kept.log";
    std::ofstream(existing) << "earlier entries\n";
    TModalScript script({TypeAndAccept(existing)});

    EXPECT_EQ(Chooser.Choose(LogChoice(Folder.Folder())), existing);
    EXPECT_TRUE(script.UnexpectedBoxes.empty()) << script.UnexpectedBoxes.front().toStdString();
}

TEST_F(QtFileChooser, ASaveChooserThatReplacesStillAsks) {
    const std::string existing = Folder.Folder() + "kept.log";
    std::ofstream(existing) << "earlier entries\n";
    TFileChoice choice = LogChoice(Folder.Folder());
    choice.ConfirmReplace = true;
    TModalScript script({TypeAndAccept(existing)});

    EXPECT_EQ(Chooser.Choose(choice), existing);
    ASSERT_EQ(script.UnexpectedBoxes.size(), 1u);
    EXPECT_TRUE(script.UnexpectedBoxes.front().contains("already exists"));
}

TEST_F(QtFileChooser, CancelGivesNothing) {
    TModalScript script({{false, [](QWidget* modal) { qobject_cast<QDialog*>(modal)->reject(); }}});
    EXPECT_EQ(Chooser.Choose(LogChoice(Folder.Folder())), std::nullopt);
}

} // namespace
} // namespace corvalet::test
