// The editing area of the recipients page: adding, replacing, the change rules and loading rows.
#include "MainFormFixture.h"

#include "ui/GeneralPage.h"
#include "ui/RecipientEditor.h"

#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTreeWidget>

namespace corvalet::test {
namespace {

class RecipientEditing : public TMainFormTest {
protected:
    void SetUp() override { Form->show(); }

    QLineEdit* Address() const { return Find<QLineEdit>("RecipientAddressEdit"); }
    QTreeWidget* List() const { return Find<QTreeWidget>("RecipientsListView"); }
    QPushButton* Button(const char* name) const { return Find<QPushButton>(name); }
    QComboBox* Frequency() const { return Find<QComboBox>("FrequencyComboBoxEx"); }
    QComboBox* Distribution() const { return Find<QComboBox>("DistributionMethodComboBoxEx"); }

    void Edit(const char* address, const char* hour, const char* minute, int frequency, int distribution) {
        Address()->setText(address);
        Find<QLineEdit>("HourTimeValueEdit")->setText(hour);
        Find<QLineEdit>("MinutesTimeValueEdit")->setText(minute);
        Frequency()->setCurrentIndex(frequency);
        Distribution()->setCurrentIndex(distribution);
    }

    QStringList RowTexts(int row) const {
        QStringList texts;
        for (int column = 0; column < 4; ++column)
            texts << List()->topLevelItem(row)->text(column);
        return texts;
    }
};

TEST_F(RecipientEditing, AddingGivesTheRowSelectedWithAddAndReplaceDisabled) {
    Form->show();
    Edit("x", "9", "05", 7, 1);
    ASSERT_TRUE(Button("AddBitBtn")->isEnabled());
    QTest::mouseClick(Button("AddBitBtn"), Qt::LeftButton);

    ASSERT_EQ(List()->topLevelItemCount(), 1);
    EXPECT_EQ(RowTexts(0), (QStringList{"x", "09 : 05", "Each Friday", "CC"}));
    EXPECT_TRUE(List()->topLevelItem(0)->isSelected());
    EXPECT_FALSE(Button("AddBitBtn")->isEnabled());
    EXPECT_FALSE(Button("ReplaceBitBtn")->isEnabled());
    EXPECT_TRUE(Button("DeleteBitBtn")->isEnabled());
    EXPECT_TRUE(Button("SendNowBitBtn")->isEnabled());
    EXPECT_TRUE(Button("OKButton")->isDefault());
}

TEST_F(RecipientEditing, DatedFrequencyCarriesThePickersDate) {
    Edit("x", "10", "00", 11, 0);
    Find<QDateEdit>("FrequencyDateTimePicker")->setDate(QDate(2027, 1, 15));
    EXPECT_FALSE(Find<QDateEdit>("FrequencyDateTimePicker")->isHidden());
    Form->GeneralPage()->AddBitBtnClick();
    EXPECT_EQ(List()->topLevelItem(0)->text(2), "Only at date 15.01.2027");
}

TEST_F(RecipientEditing, DatePickerShowsOnlyForDatedFrequencies) {
    auto* picker = Find<QDateEdit>("FrequencyDateTimePicker");
    for (int code = 0; code < 12; ++code) {
        Frequency()->setCurrentIndex(code);
        EXPECT_EQ(!picker->isHidden(), code >= 9) << code;
    }
}

TEST_F(RecipientEditing, BlankAddressDisablesAddReplaceSendNowAndMakesOKTheDefault) {
    Address()->setText("someone");
    EXPECT_TRUE(Button("AddBitBtn")->isDefault());
    EXPECT_TRUE(Button("ReplaceBitBtn")->isEnabled());
    EXPECT_TRUE(Button("SendNowBitBtn")->isEnabled());

    Address()->setText("   ");
    EXPECT_FALSE(Button("AddBitBtn")->isEnabled());
    EXPECT_FALSE(Button("ReplaceBitBtn")->isEnabled());
    EXPECT_FALSE(Button("SendNowBitBtn")->isEnabled());
    EXPECT_TRUE(Button("OKButton")->isDefault());
    EXPECT_FALSE(Button("AddBitBtn")->isDefault());
}

TEST_F(RecipientEditing, OKIsTheDefaultOnTheOtherPages) {
    Address()->setText("someone");
    Form->Pages()->setCurrentIndex(1);
    EXPECT_TRUE(Button("OKButton")->isDefault());
    Form->Pages()->setCurrentIndex(0);
    EXPECT_TRUE(Button("AddBitBtn")->isDefault());
}

TEST_F(RecipientEditing, EnterPressesAddWhileAnAddressIsTyped) {
    ShowActive();
    Address()->setFocus();
    QTest::keyClicks(Address(), "typed@example.test");
    QTest::keyClick(Address(), Qt::Key_Return);
    EXPECT_TRUE(Form->isVisible());
    ASSERT_EQ(List()->topLevelItemCount(), 1);
    EXPECT_EQ(List()->topLevelItem(0)->text(0), "typed@example.test");

    // After the row is added, Enter confirms the window.
    Address()->setFocus();
    QTest::keyClick(Address(), Qt::Key_Return);
    EXPECT_FALSE(Form->isVisible());
    EXPECT_EQ(Settings.RecipientCount(), 1);
}

TEST_F(RecipientEditing, AnHourOf99IsStoredAsTyped) {
    Edit("x", "00", "00", 0, 0);
    Find<QLineEdit>("HourTimeValueEdit")->setText("99");
    Find<QLineEdit>("MinutesTimeValueEdit")->setText("");
    Form->GeneralPage()->AddBitBtnClick();
    EXPECT_EQ(List()->topLevelItem(0)->text(1), "99 : 00");
}

TEST_F(RecipientEditing, TypedDistributionTextSelectsNoItemAndStoresAnEmptyText) {
    ShowActive();
    Address()->setText("x");
    Distribution()->setFocus();
    Distribution()->lineEdit()->selectAll();
    QTest::keyClicks(Distribution()->lineEdit(), "BC");
    EXPECT_EQ(Distribution()->currentText(), "BC");
    EXPECT_EQ(Distribution()->currentIndex(), -1);
    EXPECT_EQ(Form->DistributionCode(), -1);

    Form->GeneralPage()->AddBitBtnClick();
    EXPECT_EQ(List()->topLevelItem(0)->text(3), "");

    // Typing an item's exact text selects that item.
    Distribution()->lineEdit()->selectAll();
    QTest::keyClicks(Distribution()->lineEdit(), "CC");
    EXPECT_EQ(Distribution()->currentIndex(), 1);
}

TEST_F(RecipientEditing, SelectingARowLoadsItIntoTheEditingArea) {
    Settings.AddRecipient("a@example.test", "07 : 45", "Monthly starting from 03.02.2027", "CC");
    Form->SettingsToControls();
    List()->setCurrentItem(List()->topLevelItem(0));

    EXPECT_EQ(Address()->text(), "a@example.test");
    EXPECT_EQ(Find<QLineEdit>("HourTimeValueEdit")->text(), "07");
    EXPECT_EQ(Find<QLineEdit>("MinutesTimeValueEdit")->text(), "45");
    EXPECT_EQ(Frequency()->currentIndex(), 10);
    EXPECT_EQ(Find<QDateEdit>("FrequencyDateTimePicker")->date(), QDate(2027, 2, 3));
    EXPECT_FALSE(Find<QDateEdit>("FrequencyDateTimePicker")->isHidden());
    EXPECT_EQ(Distribution()->currentIndex(), 1);
    EXPECT_FALSE(Button("AddBitBtn")->isEnabled());
    EXPECT_FALSE(Button("ReplaceBitBtn")->isEnabled());
    EXPECT_TRUE(HandledErrors.empty());
}

// A row whose date does not read, selected after a Daily BCC row: the error is reported, and the
// editing area shows the row's own frequency and distribution, so Replace after picking the date
// again repairs the row instead of turning a one-off copy into a daily blind copy.
TEST_F(RecipientEditing, ADateThatDoesNotReadIsReportedAndReplaceKeepsTheRowsFrequency) {
    Settings.AddRecipient("a@example.test", "06 : 00", "Daily", "BCC");
    Settings.AddRecipient("b@example.test", "07 : 45", "Only at date 31/31/2026", "CC");
    Form->SettingsToControls();
    Form->show();
    List()->setCurrentItem(List()->topLevelItem(0));
    ASSERT_TRUE(HandledErrors.empty());
    List()->setCurrentItem(List()->topLevelItem(1));

    ASSERT_EQ(HandledErrors.size(), 1u);
    EXPECT_EQ(HandledErrors[0], "'31/31/2026' is not a valid date");
    EXPECT_TRUE(VisibleAtError[0]);
    EXPECT_EQ(Address()->text(), "b@example.test");
    EXPECT_EQ(Find<QLineEdit>("HourTimeValueEdit")->text(), "07");
    EXPECT_EQ(Frequency()->currentIndex(), 11);
    EXPECT_EQ(Distribution()->currentText(), "CC");
    auto* picker = Find<QDateEdit>("FrequencyDateTimePicker");
    EXPECT_FALSE(picker->isHidden());
    EXPECT_EQ(picker->date(), QDate(2026, 12, 9));
    EXPECT_TRUE(Button("DeleteBitBtn")->isEnabled());

    picker->setDate(QDate(2026, 12, 31));
    ASSERT_TRUE(Button("ReplaceBitBtn")->isEnabled());
    QTest::mouseClick(Button("ReplaceBitBtn"), Qt::LeftButton);
    const int repaired = List()->currentIndex().row();
    EXPECT_EQ(RowTexts(repaired), (QStringList{"b@example.test", "07 : 45", "Only at date 31.12.2026", "CC"}));
    EXPECT_EQ(HandledErrors.size(), 1u);
}

TEST_F(RecipientEditing, ReplaceRewritesTheSelectedRow) {
    Settings.AddRecipient("a@example.test", "07 : 45", "Daily", "BCC");
    Settings.AddRecipient("b@example.test", "08 : 00", "Daily", "BCC");
    Form->SettingsToControls();
    List()->setCurrentItem(List()->topLevelItem(1));
    Address()->setText("c@example.test");
    Frequency()->setCurrentIndex(1);
    ASSERT_TRUE(Button("ReplaceBitBtn")->isEnabled());
    QTest::mouseClick(Button("ReplaceBitBtn"), Qt::LeftButton);

    ASSERT_EQ(List()->topLevelItemCount(), 2);
    EXPECT_EQ(RowTexts(1), (QStringList{"c@example.test", "08 : 00", "Workdays only", "BCC"}));
    EXPECT_TRUE(List()->topLevelItem(1)->isSelected());
    EXPECT_FALSE(Button("ReplaceBitBtn")->isEnabled());
}

TEST_F(RecipientEditing, ReplaceWithoutASelectionDoesNothing) {
    Settings.AddRecipient("a@example.test", "07 : 45", "Daily", "BCC");
    Form->SettingsToControls();
    Address()->setText("c@example.test");
    Form->GeneralPage()->ReplaceBitBtnClick();
    EXPECT_EQ(RowTexts(0), (QStringList{"a@example.test", "07 : 45", "Daily", "BCC"}));
}

TEST_F(RecipientEditing, SendNowIsAnnouncedAndCanBeHeldBack) {
    QSignalSpy sendNow(Form.get(), &TMainForm::SendNowClicked);
    Form->show();
    Address()->setText("now@example.test");
    QTest::mouseClick(Button("SendNowBitBtn"), Qt::LeftButton);
    EXPECT_EQ(sendNow.count(), 1);
    EXPECT_EQ(Form->RecipientAddressText(), "now@example.test");

    Form->SetSendNowAllowed(false);
    EXPECT_FALSE(Button("SendNowBitBtn")->isEnabled());
    Address()->setText("other@example.test");
    EXPECT_FALSE(Button("SendNowBitBtn")->isEnabled());
    Form->SetSendNowAllowed(true);
    EXPECT_TRUE(Button("SendNowBitBtn")->isEnabled());
}

TEST_F(RecipientEditing, TheMailJobReadsTheFieldsAsTheyStand) {
    Find<QLineEdit>("SenderNameEdit")->setText("Ann");
    Find<QLineEdit>("SenderAddressEdit")->setText("ann@example.test");
    Find<QLineEdit>("SubjectEdit")->setText("Hello");
    Find<QLineEdit>("BodyFileNameEdit")->setText("body.htm");
    Find<QComboBox>("ContentTypeComboBox")->setCurrentIndex(1);
    Find<QComboBox>("EmailPriorityComboBox")->setCurrentIndex(3);
    Find<QLineEdit>("AttachmentFileNameEdit")->setText("a.pdf");
    Find<QLineEdit>("SMTPHostNameEdit")->setText("smtp.example.test");
    Find<QLineEdit>("PortNumberEdit")->setText("587");
    const TMailFields fields = Form->MailFields();
    EXPECT_EQ(fields.SenderName, "Ann");
    EXPECT_EQ(fields.SenderAddress, "ann@example.test");
    EXPECT_EQ(fields.Subject, "Hello");
    EXPECT_EQ(fields.BodyFileName, "body.htm");
    EXPECT_EQ(fields.ContentType, 1);
    EXPECT_EQ(fields.Priority, 3);
    EXPECT_EQ(fields.Attachment, "a.pdf");
    EXPECT_EQ(fields.SMTPHost, "smtp.example.test");
    EXPECT_EQ(fields.PortNumber, "587");
}

} // namespace
} // namespace corvalet::test
