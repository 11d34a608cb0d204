// The fields that take digits only when typed, and still take a pasted text.
#include "MainFormFixture.h"

#include "settings/TextValues.h"

#include <QClipboard>
#include <QLineEdit>
#include <QTabWidget>

namespace corvalet::test {
namespace {

class TypedCharacters : public TMainFormTest {
protected:
    void SetUp() override { ShowActive(); }
};

TEST_F(TypedCharacters, LettersAreDroppedDigitsAndBackspacePass) {
    const struct {
        const char* Field;
        int Page;
    } fields[] = {{"PortNumberEdit", 2}, {"BodyFileNameEdit", 1}, {"AttachmentFileNameEdit", 1}};
    for (const auto& example : fields) {
        Find<QTabWidget>("PageControl")->setCurrentIndex(example.Page);
        auto* field = Find<QLineEdit>(example.Field);
        field->clear();
        field->setFocus();
        QTest::keyClicks(field, "a1b2/.3 x");
        EXPECT_EQ(field->text(), "123") << example.Field;
        QTest::keyClick(field, Qt::Key_Backspace);
        EXPECT_EQ(field->text(), "12") << example.Field;
    }
}

TEST_F(TypedCharacters, APastedPathArrives) {
    Find<QTabWidget>("PageControl")->setCurrentIndex(1);
    auto* field = Find<QLineEdit>("BodyFileNameEdit");
    field->clear();
    field->setFocus();
    QGuiApplication::clipboard()->setText("/home/ann/letter.htm");
    QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(field->text(), "/home/ann/letter.htm");
}

TEST_F(TypedCharacters, APastedPortWithBlanksIsStoredAsTheNumber) {
    Find<QTabWidget>("PageControl")->setCurrentIndex(2);
    auto* field = Find<QLineEdit>("PortNumberEdit");
    field->clear();
    field->setFocus();
    QGuiApplication::clipboard()->setText(" 587");
    QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier);
    Form->OKButtonClick();
    EXPECT_EQ(Settings.PortNumber, 587);
    EXPECT_EQ(PortNumberFromText(Form->MailFields().PortNumber), 587);
}

TEST(PortNumberText, ReadsTrimmedDecimalOr25) {
    EXPECT_EQ(PortNumberFromText("25"), 25);
    EXPECT_EQ(PortNumberFromText("70000"), 70000);
    EXPECT_EQ(PortNumberFromText("2147483647"), 2147483647);
    EXPECT_EQ(PortNumberFromText("2147483648"), 25);
    EXPECT_EQ(PortNumberFromText(""), 25);
    EXPECT_EQ(PortNumberFromText("58a"), 25);
    // Pasted with blanks around it, the number is still the one typed.
    EXPECT_EQ(PortNumberFromText(" 587"), 587);
    EXPECT_EQ(PortNumberFromText("587 \t"), 587);
    EXPECT_EQ(PortNumberFromText("5 87"), 25);
}

} // namespace
} // namespace corvalet::test
