// The hour and minute fields and their arrows.
#include "MainFormFixture.h"

#include "ui/UpDown.h"

#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

namespace corvalet::test {
namespace {

class TimeFields : public TMainFormTest {
protected:
    void SetUp() override { ShowActive(); }

    QLineEdit* Hour() const { return Find<QLineEdit>("HourTimeValueEdit"); }
    QLineEdit* Minute() const { return Find<QLineEdit>("MinutesTimeValueEdit"); }
    TUpDown* Arrows() const { return Find<TUpDown>("TimeUpDown"); }
    void ClickUp() { QTest::mouseClick(Arrows()->UpButton(), Qt::LeftButton); }
    void ClickDown() { QTest::mouseClick(Arrows()->DownButton(), Qt::LeftButton); }
};

TEST_F(TimeFields, ArrowsWorkOnlyWhileATimeFieldHasTheFocus) {
    EXPECT_FALSE(Arrows()->isEnabled());
    Hour()->setFocus();
    EXPECT_TRUE(Arrows()->isEnabled());
    EXPECT_EQ(Arrows()->Maximum(), 23);
    Minute()->setFocus();
    EXPECT_TRUE(Arrows()->isEnabled());
    EXPECT_EQ(Arrows()->Maximum(), 59);
    Find<QLineEdit>("RecipientAddressEdit")->setFocus();
    EXPECT_FALSE(Arrows()->isEnabled());
}

TEST_F(TimeFields, TheFrameShowsTheFocusOfEitherField) {
    auto* frame = Find<QWidget>("TimeEdit");
    EXPECT_FALSE(frame->property("focusFrame").toBool());
    for (QLineEdit* field : {Hour(), Minute()}) {
        field->setFocus();
        EXPECT_TRUE(frame->property("focusFrame").toBool()) << field->objectName().toStdString();
    }
    Find<QLineEdit>("RecipientAddressEdit")->setFocus();
    EXPECT_FALSE(frame->property("focusFrame").toBool());
}

TEST_F(TimeFields, UpAndDownKeysStepLikeTheArrowsAndWrap) {
    Hour()->setText("23");
    Minute()->setText("08");
    Find<QLineEdit>("RecipientAddressEdit")->setFocus();
    Hour()->setFocus();
    QTest::keyClick(Hour(), Qt::Key_Up);
    EXPECT_EQ(Hour()->text(), "00");
    QTest::keyClick(Hour(), Qt::Key_Down);
    EXPECT_EQ(Hour()->text(), "23");
    Minute()->setFocus();
    QTest::keyClick(Minute(), Qt::Key_Up);
    EXPECT_EQ(Minute()->text(), "09");
    EXPECT_EQ(Hour()->text(), "23");
}

TEST_F(TimeFields, ArrowsStepTheFocusedFieldAndWrap) {
    const struct {
        const char* Field;
        const char* Start;
        bool Up;
        const char* After;
    } cases[] = {{"HourTimeValueEdit", "22", true, "23"},     {"HourTimeValueEdit", "23", true, "00"},
                 {"HourTimeValueEdit", "00", false, "23"},    {"MinutesTimeValueEdit", "59", true, "00"},
                 {"MinutesTimeValueEdit", "00", false, "59"}, {"MinutesTimeValueEdit", "08", true, "09"},
                 {"HourTimeValueEdit", "ab", true, "01"}};
    for (const auto& example : cases) {
        auto* field = Find<QLineEdit>(example.Field);
        Find<QLineEdit>("RecipientAddressEdit")->setFocus();
        field->setText(example.Start);
        field->setFocus();
        if (example.Up)
            ClickUp();
        else
            ClickDown();
        EXPECT_EQ(field->text(), example.After) << example.Field << " from " << example.Start;
        EXPECT_TRUE(field->hasFocus());
        EXPECT_EQ(field->selectedText(), field->text());
    }
}

TEST_F(TimeFields, AStepRunsTheChangeRuleButTypingDoesNot) {
    Find<QLineEdit>("RecipientAddressEdit")->setText("x");
    QTest::mouseClick(Find<QPushButton>("AddBitBtn"), Qt::LeftButton);
    ASSERT_FALSE(Find<QPushButton>("AddBitBtn")->isEnabled());

    Hour()->setFocus();
    Hour()->selectAll();
    QTest::keyClicks(Hour(), "11");
    EXPECT_FALSE(Find<QPushButton>("AddBitBtn")->isEnabled());
    ClickUp();
    EXPECT_EQ(Hour()->text(), "12");
    EXPECT_TRUE(Find<QPushButton>("AddBitBtn")->isEnabled());
}

TEST_F(TimeFields, OnlyDigitsCanBeTypedAndAtMostTwo) {
    Hour()->setFocus();
    Hour()->clear();
    QTest::keyClicks(Hour(), "1a:7 9");
    EXPECT_EQ(Hour()->text(), "17");
    QTest::keyClick(Hour(), Qt::Key_Backspace);
    EXPECT_EQ(Hour()->text(), "1");
}

} // namespace
} // namespace corvalet::test
