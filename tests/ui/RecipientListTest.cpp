// The recipient list: deleting, moving the selection and sorting by column.
#include "MainFormFixture.h"

#include "app/NextMailing.h"
#include "ui/GeneralPage.h"
#include "ui/RecipientListView.h"

#include <QComboBox>
#include <QHelpEvent>
#include <QToolTip>
#include <QHeaderView>
#include <QStyle>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QTreeWidget>

#include <cstdio>

namespace corvalet::test {
namespace {

class RecipientList : public TMainFormTest {
protected:
    void SetUp() override { Form->show(); }

    // Rows in the settings' order, which is address order.
    void Fill(std::initializer_list<TRecipientRow> rows) {
        for (const TRecipientRow& row : rows)
            Settings.AddRecipient(row.Address, row.Time, row.Frequency, row.Distribution);
        Form->SettingsToControls();
    }

    QTreeWidget* List() const { return Find<QTreeWidget>("RecipientsListView"); }
    QStringList Column(int column) const {
        QStringList texts;
        for (int row = 0; row < List()->topLevelItemCount(); ++row)
            texts << List()->topLevelItem(row)->text(column);
        return texts;
    }
    int Selected() const { return Form->GeneralPage()->List()->SelectedIndex(); }
    void Select(int row) { List()->setCurrentItem(List()->topLevelItem(row)); }
    void ClickDelete() { QTest::mouseClick(Find<QPushButton>("DeleteBitBtn"), Qt::LeftButton); }

    void FillThree() {
        Fill({{"a@example.test", "09 : 05", "Daily", "BCC"},
              {"b@example.test", "14 : 30", "Daily", "CC"},
              {"c@example.test", "08 : 15", "Each Monday", "BCC"}});
    }
};

TEST_F(RecipientList, DeletingAsksAndSelectsTheNeighbour) {
    const struct {
        int Deleted;
        QStringList Left;
        int SelectedAfter;
    } cases[] = {{0, {"b@example.test", "c@example.test"}, 0},
                 {1, {"a@example.test", "c@example.test"}, 0},
                 {2, {"a@example.test", "b@example.test"}, 1}};
    for (const auto& example : cases) {
        Settings.ClearRecipients();
        FillThree();
        Dialogs.Questions.clear();
        Select(example.Deleted);
        const QString address = List()->topLevelItem(example.Deleted)->text(0);
        ClickDelete();

        ASSERT_EQ(Dialogs.Questions.size(), 1u);
        EXPECT_EQ(Dialogs.Questions[0], "Are you sure you want to remove recipient '" +
                                            address.toStdString() + "' from this list?");
        EXPECT_EQ(Column(0), example.Left) << example.Deleted;
        EXPECT_EQ(Selected(), example.SelectedAfter) << example.Deleted;
        EXPECT_EQ(Find<QLineEdit>("RecipientAddressEdit")->text(), example.Left[example.SelectedAfter]);
    }
}

TEST_F(RecipientList, DeletingTheOnlyRowResetsTheEditingArea) {
    Fill({{"only@example.test", "07 : 45", "Each Friday", "CC"}});
    Select(0);
    ASSERT_EQ(Find<QLineEdit>("RecipientAddressEdit")->text(), "only@example.test");
    ClickDelete();

    EXPECT_EQ(List()->topLevelItemCount(), 0);
    EXPECT_EQ(Find<QLineEdit>("RecipientAddressEdit")->text(), "");
    EXPECT_EQ(Find<QLineEdit>("HourTimeValueEdit")->text(), "14");
    EXPECT_EQ(Find<QLineEdit>("MinutesTimeValueEdit")->text(), "30");
    EXPECT_EQ(Find<QComboBox>("FrequencyComboBoxEx")->currentText(), "Daily");
    EXPECT_EQ(Find<QComboBox>("DistributionMethodComboBoxEx")->currentText(), "BCC");
    EXPECT_FALSE(Find<QPushButton>("DeleteBitBtn")->isEnabled());
    EXPECT_FALSE(Find<QPushButton>("SendNowBitBtn")->isEnabled());
}

TEST_F(RecipientList, AnsweringNoKeepsTheRow) {
    FillThree();
    Select(1);
    Dialogs.Answer = false;
    ClickDelete();
    EXPECT_EQ(List()->topLevelItemCount(), 3);
    EXPECT_EQ(Selected(), 1);
}

TEST_F(RecipientList, TheDeleteKeyRemovesARowOnlyWhileTheListHasTheFocus) {
    FillThree();
    ShowActive();
    Select(0);
    auto* address = Find<QLineEdit>("RecipientAddressEdit");
    address->setFocus();
    address->setCursorPosition(0);
    QTest::keyClick(address, Qt::Key_Delete);
    EXPECT_TRUE(Dialogs.Questions.empty());
    EXPECT_EQ(address->text(), "@example.test");
    EXPECT_EQ(List()->topLevelItemCount(), 3);

    List()->setFocus();
    QTest::keyClick(List(), Qt::Key_Delete);
    EXPECT_EQ(Dialogs.Questions.size(), 1u);
    EXPECT_EQ(List()->topLevelItemCount(), 2);
}

TEST_F(RecipientList, UpAndDownMoveTheSelectionWithinTheList) {
    FillThree();
    auto* up = Find<QToolButton>("UpSpeedButton");
    auto* down = Find<QToolButton>("DownSpeedButton");
    EXPECT_EQ(up->focusPolicy(), Qt::NoFocus);

    QTest::mouseClick(down, Qt::LeftButton);
    EXPECT_EQ(Selected(), 0) << "Down with nothing selected";
    QTest::mouseClick(up, Qt::LeftButton);
    EXPECT_EQ(Selected(), 0) << "Up on the first row";
    QTest::mouseClick(down, Qt::LeftButton);
    QTest::mouseClick(down, Qt::LeftButton);
    EXPECT_EQ(Selected(), 2);
    EXPECT_EQ(Find<QLineEdit>("RecipientAddressEdit")->text(), "c@example.test");
    QTest::mouseClick(down, Qt::LeftButton);
    EXPECT_EQ(Selected(), 2) << "Down on the last row";
    QTest::mouseClick(up, Qt::LeftButton);
    EXPECT_EQ(Selected(), 1);

    List()->clearSelection();
    QTest::mouseClick(up, Qt::LeftButton);
    EXPECT_EQ(Selected(), 0) << "Up with nothing selected";
}

TEST_F(RecipientList, UpAndDownOnAnEmptyListDoNothing) {
    Form->GeneralPage()->UpSpeedButtonClick();
    Form->GeneralPage()->DownSpeedButtonClick();
    EXPECT_EQ(Selected(), -1);
}

TEST_F(RecipientList, ClickingAColumnSortsItDescendingThenAscending) {
    FillThree();
    QHeaderView* header = List()->header();
    const auto clickColumn = [&](int column) {
        const QPoint centre(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                            header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, centre);
    };
    Form->show();

    clickColumn(1);
    EXPECT_EQ(Column(1), (QStringList{"14 : 30", "09 : 05", "08 : 15"}));
    clickColumn(1);
    EXPECT_EQ(Column(1), (QStringList{"08 : 15", "09 : 05", "14 : 30"}));
    EXPECT_EQ(Form->GeneralPage()->List()->SortColumn(), 1);

    // Each column keeps its own direction: the address column's first click is descending too.
    clickColumn(0);
    EXPECT_EQ(Column(0), (QStringList{"c@example.test", "b@example.test", "a@example.test"}));
    clickColumn(1);
    EXPECT_EQ(Column(1), (QStringList{"14 : 30", "09 : 05", "08 : 15"}));
}

TEST_F(RecipientList, SortingKeepsTheSelectedRow) {
    FillThree();
    Select(0);
    Form->GeneralPage()->List()->RecipientsListViewColumnClick(0);
    EXPECT_EQ(Selected(), 2);
    EXPECT_EQ(List()->topLevelItem(2)->text(0), "a@example.test");
}

TEST_F(RecipientList, ComparisonPerColumn) {
    TRecipientListView& list = *Form->GeneralPage()->List();
    const TRecipientRow early{"alpha", "9 : 5", "each friday", "cc"};
    const TRecipientRow late{"ALPHA", "10 : 00", "Each Friday", "CC"};
    list.SetSortColumn(0);
    EXPECT_EQ(list.RecipientsListViewCompare(early, late), 0) << "letter case does not count";
    list.SetSortColumn(1);
    EXPECT_LT(list.RecipientsListViewCompare(early, late), 0) << "times compare as numbers";
    EXPECT_EQ(list.RecipientsListViewCompare(late, TRecipientRow{"", "10:0", "", ""}), 0);
    list.SetSortColumn(2);
    EXPECT_EQ(list.RecipientsListViewCompare(early, late), 0);
    list.SetSortColumn(3);
    EXPECT_EQ(list.RecipientsListViewCompare(early, late), 0);
}

TEST_F(RecipientList, AddingSortsByTheCurrentColumn) {
    FillThree();
    Form->GeneralPage()->List()->RecipientsListViewColumnClick(1); // descending by time
    Find<QLineEdit>("RecipientAddressEdit")->setText("d@example.test");
    Find<QLineEdit>("HourTimeValueEdit")->setText("11");
    Find<QLineEdit>("MinutesTimeValueEdit")->setText("00");
    Form->GeneralPage()->AddBitBtnClick();
    EXPECT_EQ(Column(1), (QStringList{"14 : 30", "11 : 00", "09 : 05", "08 : 15"}));
    EXPECT_EQ(Selected(), 1);
}

TEST_F(RecipientList, TheRowsAreOfferedAsTheListShowsThem) {
    FillThree();
    const std::vector<TRecipientRow> rows = Form->RecipientRows();
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[1], (TRecipientRow{"b@example.test", "14 : 30", "Daily", "CC"}));
}

} // namespace
} // namespace corvalet::test

namespace corvalet::test {
namespace {

// With more rows than the list can show, the selected row is in sight after every operation that
// moves it or moves the list.
TEST_F(RecipientList, TheSelectedRowIsScrolledIntoViewAfterEachOperation) {
    for (int i = 0; i < 30; ++i) {
        char address[32];
        std::snprintf(address, sizeof address, "r%02d@example.test", i);
        Settings.AddRecipient(address, "09 : 05", "Daily", i % 2 == 0 ? "BCC" : "CC");
    }
    Form->SettingsToControls();
    QApplication::processEvents();
    TRecipientListView* list = Form->GeneralPage()->List();
    const auto inSight = [list](const char* after) {
        const QRect row = list->visualItemRect(list->currentItem());
        EXPECT_TRUE(list->currentItem() != nullptr && list->currentItem()->isSelected()) << after;
        EXPECT_TRUE(list->viewport()->rect().contains(row)) << after;
    };
    auto* address = Find<QLineEdit>("RecipientAddressEdit");

    list->scrollToTop();
    address->setText("zz@example.test");
    QTest::mouseClick(Find<QPushButton>("AddBitBtn"), Qt::LeftButton);
    inSight("Add");

    Select(0);
    list->scrollToTop();
    address->setText("zzz@example.test");
    QTest::mouseClick(Find<QPushButton>("ReplaceBitBtn"), Qt::LeftButton);
    inSight("Replace");

    list->scrollToTop();
    ClickDelete();
    inSight("Delete");

    Select(0);
    for (int i = 0; i < 29; ++i)
        QTest::mouseClick(Find<QToolButton>("DownSpeedButton"), Qt::LeftButton);
    inSight("Down");
    list->scrollToBottom();
    for (int i = 0; i < 29; ++i)
        QTest::mouseClick(Find<QToolButton>("UpSpeedButton"), Qt::LeftButton);
    inSight("Up");

    // The first row selected, the list sorted the other way round: it is now the last.
    Select(0);
    list->scrollToTop();
    list->RecipientsListViewColumnClick(TRecipientListView::AddressColumn);
    inSight("sort");
}

TEST_F(RecipientList, TheHeadingShowsTheSortColumnAndDirection) {
    FillThree();
    QHeaderView* heading = List()->header();
    TRecipientListView* list = Form->GeneralPage()->List();
    list->RecipientsListViewColumnClick(TRecipientListView::TimeColumn);
    EXPECT_TRUE(heading->isSortIndicatorShown());
    EXPECT_EQ(heading->sortIndicatorSection(), TRecipientListView::TimeColumn);
    EXPECT_EQ(heading->sortIndicatorOrder(), Qt::DescendingOrder);
    list->RecipientsListViewColumnClick(TRecipientListView::TimeColumn);
    EXPECT_EQ(heading->sortIndicatorOrder(), Qt::AscendingOrder);
    // The sort mark does not cut its heading.
    const int margin = heading->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, heading);
    EXPECT_GE(heading->sectionSize(TRecipientListView::TimeColumn),
              heading->fontMetrics().horizontalAdvance("send e-mail") + 2 * margin +
                  heading->style()->pixelMetric(QStyle::PM_HeaderMarkSize, nullptr, heading));
}

TEST_F(RecipientList, OnlyACellTooNarrowForItsTextIsCut) {
    Fill({{"a@example.test", "09 : 05", "Monthly starting from 01.12.2026", "BCC"},
          {"carol@example.test, dave@example.test, erin@example.test, frank@example.test", "09 : 05", "Daily",
           "CC"}});
    Form->resize(468, 487);
    QApplication::processEvents();
    QTreeWidget* list = List();
    const auto cut = [list](int row, int column) {
        return TRecipientListView::IsCut(*list, list->model()->index(row, column));
    };
    EXPECT_FALSE(cut(0, TRecipientListView::AddressColumn));
    EXPECT_TRUE(cut(0, TRecipientListView::FrequencyColumn));
    EXPECT_TRUE(cut(1, TRecipientListView::AddressColumn));
    EXPECT_FALSE(cut(1, TRecipientListView::FrequencyColumn));
    EXPECT_FALSE(cut(1, TRecipientListView::DistributionColumn));
}

// Each row's tooltip names the row's next mailing as the schedule works it out, after the whole
// text of a cell too narrow for it; the next mailing moves on with the clock.
TEST_F(RecipientList, EachRowsTooltipNamesItsNextMailing) {
    const struct {
        TRecipientRow Row;
        const char* Tip;
    } cases[] = {
        {{"a@example.test", "14 : 45", "Daily", "BCC"}, "Next mailing: 09.12.2026 14:45"},
        // The minute of now has had its pass.
        {{"b@example.test", "14 : 30", "Daily", "CC"}, "Next mailing: 10.12.2026 14:30"},
        {{"c@example.test", "09 : 00", "Workdays only", "BCC"}, "Next mailing: 10.12.2026 09:00"},
        {{"d@example.test", "09 : 00", "Each Sunday", "BCC"}, "Next mailing: 13.12.2026 09:00"},
        {{"e@example.test", "08 : 00", "Monthly starting from 31.10.2026", "CC"},
         "Monthly starting from 31.10.2026\nNext mailing: 31.12.2026 08:00"},
        {{"f@example.test", "10 : 00", "Only at date 24.12.2026", "BCC"},
         "Only at date 24.12.2026\nNext mailing: 24.12.2026 10:00"},
        {{"g@example.test", "10 : 00", "Only at date 01.12.2026", "BCC"},
         "Only at date 01.12.2026\nNo next mailing"},
    };
    for (const auto& example : cases)
        Settings.AddRecipient(example.Row.Address, example.Row.Time, example.Row.Frequency,
                              example.Row.Distribution);
    Form->SettingsToControls();
    Form->resize(468, 487);
    QApplication::processEvents();
    TRecipientListView* list = Form->GeneralPage()->List();
    const auto tip = [list](int row, int column) {
        return list->CellToolTip(list->model()->index(row, column)).toStdString();
    };
    for (int row = 0; row < static_cast<int>(std::size(cases)); ++row) {
        const TRecipientRow& shown = cases[row].Row;
        EXPECT_EQ(tip(row, TRecipientListView::FrequencyColumn), cases[row].Tip) << shown.Frequency;
        // The same as the schedule's own reckoning, in every column of the row.
        const std::optional<TDateTime> next = NextMailing(
            {shown.Address, shown.Time, shown.Frequency, shown.Distribution}, Clock.Now(), Formats);
        const std::string line =
            next ? "Next mailing: " + MailingTimeText(*next, Formats) : "No next mailing";
        EXPECT_EQ(tip(row, TRecipientListView::TimeColumn), line) << shown.Frequency;
    }

    Clock.Set(TDateTime{2026, 12, 9, 14, 45, 10, 0});
    EXPECT_EQ(tip(0, TRecipientListView::AddressColumn), "Next mailing: 10.12.2026 14:45");

    // The tooltip the list shows is that text.
    const QRect cell = list->visualRect(list->model()->index(4, TRecipientListView::FrequencyColumn));
    QHelpEvent help(QEvent::ToolTip, cell.center(), list->viewport()->mapToGlobal(cell.center()));
    QApplication::sendEvent(list->viewport(), &help);
    EXPECT_EQ(QToolTip::text().toStdString(), cases[4].Tip);
    QToolTip::hideText();
}

} // namespace
} // namespace corvalet::test
