// The real message boxes: caption, text and the answer of the button pressed.
#include "MainFormFixture.h"

#include "ui/QtDialogs.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QTimer>

namespace corvalet::test {
namespace {

struct TSeenBox {
    QString Caption;
    QString Text;
    QMessageBox::Icon Icon = QMessageBox::NoIcon;
    Qt::TextFormat Format = Qt::AutoText;
};

// Presses `button` on the next message box that opens, after noting what it shows.
void AnswerNextBox(QMessageBox::StandardButton button, TSeenBox& seen) {
    QTimer::singleShot(0, [button, &seen] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr) {
            ADD_FAILURE() << "no message box open";
            return;
        }
        seen = {box->windowTitle(), box->text(), box->icon(), box->textFormat()};
        box->button(button)->click();
    });
}

class QtDialogs : public ::testing::Test {
protected:
    QtDialogs() { UiApplication(); }

    TQtDialogs Dialogs;
    TSeenBox Seen;
};

TEST_F(QtDialogs, ConfirmAnswersWithTheButtonPressed) {
    AnswerNextBox(QMessageBox::Yes, Seen);
    EXPECT_TRUE(Dialogs.Confirm("Remove 'x'?"));
    EXPECT_EQ(Seen.Caption, "Confirm");
    EXPECT_EQ(Seen.Text, "Remove 'x'?");
    EXPECT_EQ(Seen.Icon, QMessageBox::Question);

    AnswerNextBox(QMessageBox::No, Seen);
    EXPECT_FALSE(Dialogs.Confirm("Remove 'y'?"));
}

TEST_F(QtDialogs, InformationAndErrorBoxes) {
    AnswerNextBox(QMessageBox::Ok, Seen);
    Dialogs.ShowInformation("Successfully send the e-mail to a@example.test.");
    EXPECT_EQ(Seen.Caption, "Information");
    EXPECT_EQ(Seen.Icon, QMessageBox::Information);
    EXPECT_EQ(Seen.Text, "Successfully send the e-mail to a@example.test.");

    AnswerNextBox(QMessageBox::Ok, Seen);
    Dialogs.ShowError("550 <b>x</b>@example.test: no such user");
    EXPECT_EQ(Seen.Caption, "Error");
    EXPECT_EQ(Seen.Icon, QMessageBox::Critical);
    EXPECT_EQ(Seen.Text, "550 <b>x</b>@example.test: no such user");
    EXPECT_EQ(Seen.Format, Qt::PlainText) << "a reply in angle brackets is shown as it is";
}

} // namespace
} // namespace corvalet::test
