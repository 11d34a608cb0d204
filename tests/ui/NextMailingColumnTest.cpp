// The recipient list's Next mailing column: its texts against the schedule, when it is shown, and
// that it is no column of the stored rows.
#include "MainFormFixture.h"

#include "app/NextMailing.h"
#include "ui/GeneralPage.h"
#include "ui/RecipientListView.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QScrollBar>
#include <QStyle>
#include <QTabWidget>
#include <QTimer>

#include <vector>

namespace corvalet::test {
namespace {

// The addresses of the sample settings the window pictures use.
const std::initializer_list<TRecipientRow> SampleRows = {
    {"bob@example.test", "09 : 05", "Each Friday", "CC"},
    {"carol@example.test, dave@example.test", "14 : 30", "Workdays only", "BCC"},
    {"erin@example.test", "07 : 45", "Daily", "BCC"},
    {"team@example.test", "18 : 00", "Monthly starting from 01.12.2026", "CC"}};

class NextMailingColumn : public TMainFormTest {
protected:
    void SetUp() override { Form->show(); }

    TRecipientListView& List() const { return *Form->GeneralPage()->List(); }

    void Fill(std::initializer_list<TRecipientRow> rows) {
        for (const TRecipientRow& row : rows)
            Settings.AddRecipient(row.Address, row.Time, row.Frequency, row.Distribution);
        Form->SettingsToControls();
    }

    void Resize(int width, int height = 487) {
        Form->resize(width, height);
        QApplication::processEvents();
    }

    // What the column shows, row by row.
    QStringList Texts() const {
        QStringList texts;
        for (int row = 0; row < List().RowCount(); ++row)
            texts << List().model()->index(row, TRecipientListView::NextMailingColumn).data().toString();
        return texts;
    }

    // The schedule's own reckoning for the rows as the list holds them now.
    QStringList Schedule() const {
        QStringList texts;
        for (int index = 0; index < List().RowCount(); ++index) {
            const TRecipientRow row = List().Row(index);
            const std::optional<TDateTime> next =
                NextMailing({row.Address, row.Time, row.Frequency, row.Distribution}, Clock.Now(), Formats);
            texts << (next ? QString::fromStdString(MailingTimeText(*next, Formats)) : QString());
        }
        return texts;
    }

    bool Cut(int row, int column) const {
        return TRecipientListView::IsCut(List(), List().model()->index(row, column));
    }
};

TEST_F(NextMailingColumn, ShowsEachRowsNextMailingAsTheScheduleWorksItOut) {
    // The clock stands at Wednesday 9 December 2026 14:30:00.
    const struct {
        TRecipientRow Row;
        const char* Shown;
    } cases[] = {
        {{"a@example.test", "14 : 45", "Daily", "BCC"}, "09.12.2026 14:45"},
        // The minute of now has had its pass.
        {{"b@example.test", "14 : 30", "Daily", "CC"}, "10.12.2026 14:30"},
        {{"c@example.test", "09 : 00", "Workdays only", "BCC"}, "10.12.2026 09:00"},
        {{"d@example.test", "09 : 00", "Each Sunday", "BCC"}, "13.12.2026 09:00"},
        {{"e@example.test", "08 : 00", "Monthly starting from 31.10.2026", "CC"}, "31.12.2026 08:00"},
        {{"f@example.test", "10 : 00", "Only at date 24.12.2026", "BCC"}, "24.12.2026 10:00"},
        // Never mailed again: a past date, a time or distribution no pass matches, a date that
        // does not read.
        {{"g@example.test", "10 : 00", "Only at date 01.12.2026", "BCC"}, ""},
        {{"h@example.test", "9 : 05", "Daily", "BCC"}, ""},
        {{"i@example.test", "10 : 00", "Daily", "To"}, ""},
        {{"j@example.test", "10 : 00", "Only at date 31.31.2026", "CC"}, ""},
    };
    for (const auto& example : cases)
        Settings.AddRecipient(example.Row.Address, example.Row.Time, example.Row.Frequency,
                              example.Row.Distribution);
    Form->SettingsToControls();
    Resize(760);
    ASSERT_TRUE(List().NextMailingColumnShown());
    EXPECT_EQ(List().headerItem()->text(TRecipientListView::NextMailingColumn), "Next mailing");

    QStringList expected;
    for (const auto& example : cases)
        expected << example.Shown;
    EXPECT_EQ(Texts(), expected);
    EXPECT_EQ(Texts(), Schedule());
    for (int row = 0; row < List().RowCount(); ++row)
        EXPECT_FALSE(Cut(row, TRecipientListView::NextMailingColumn)) << row;

    // The texts go with their rows when the list is sorted.
    List().RecipientsListViewColumnClick(TRecipientListView::TimeColumn);
    EXPECT_EQ(Texts(), Schedule());
    EXPECT_NE(Texts(), expected);

    // The column is no part of a row: the rows handed on are the four stored texts.
    std::vector<TRecipientRow> rows = Form->RecipientRows();
    std::sort(rows.begin(), rows.end(),
              [](const TRecipientRow& a, const TRecipientRow& b) { return a.Address < b.Address; });
    ASSERT_EQ(rows.size(), std::size(cases));
    for (std::size_t row = 0; row < rows.size(); ++row)
        EXPECT_EQ(rows[row], cases[row].Row);
}

TEST_F(NextMailingColumn, HiddenAtTheWindowsOwnSizeShownInAWideWindow) {
    Fill(SampleRows);
    Resize(468);
    EXPECT_FALSE(List().NextMailingColumnShown());
    EXPECT_EQ(List().columnCount(), TRecipientListView::ColumnCount);

    Resize(760);
    ASSERT_TRUE(List().NextMailingColumnShown());
    ExpectHeadingsWhole(List(), 0, "at 760");
    EXPECT_FALSE(List().horizontalScrollBar()->isVisible());
    for (int row = 0; row < List().RowCount(); ++row)
        for (int column = 0; column < List().columnCount(); ++column)
            if (column != TRecipientListView::FrequencyColumn) { // a dated frequency shows in its tooltip
                EXPECT_FALSE(Cut(row, column)) << row << "," << column;
            }

    Resize(468);
    EXPECT_FALSE(List().NextMailingColumnShown());
}

// Widening the window step by step: once the column appears it stays, and while it shows every
// heading is whole, nothing scrolls sideways and no address is cut that has less than about thirty
// characters' room. A second, much longer address is cut anyway, and does not keep the column away.
TEST_F(NextMailingColumn, WideningTheWindowBringsTheColumnWithoutCuttingAddresses) {
    for (const bool longAddress : {false, true}) {
        Settings.ClearRecipients();
        Fill(SampleRows);
        if (longAddress)
            Fill({{"gina@example.test, harry@example.test, ivan@example.test, judy@example.test", "09 : 05",
                   "Daily", "CC"}});
        List().RecipientsListViewColumnClick(TRecipientListView::AddressColumn);
        const int enough = 30 * List().fontMetrics().averageCharWidth();
        bool shown = false;
        for (int width = 468; width <= 1000; width += 6) {
            Resize(width);
            const std::string where =
                "at " + std::to_string(width) + (longAddress ? " with a long address" : "");
            if (shown) {
                EXPECT_TRUE(List().NextMailingColumnShown()) << "the column went away again " << where;
            }
            shown = List().NextMailingColumnShown();
            if (!shown)
                continue;
            ExpectHeadingsWhole(List(), 0, where);
            EXPECT_FALSE(List().horizontalScrollBar()->isVisible()) << where;
            if (List().header()->sectionSize(TRecipientListView::AddressColumn) >= enough)
                continue;
            for (int row = 0; row < List().RowCount(); ++row)
                EXPECT_FALSE(Cut(row, TRecipientListView::AddressColumn)) << row << " " << where;
        }
        EXPECT_TRUE(shown) << longAddress;
    }
}

// Where the column only just fits, a longer address written into a row takes its room, and
// removing that row gives it back.
TEST_F(NextMailingColumn, ARowChangeDecidesAgainWhetherItFits) {
    Fill({{"bob@example.test", "09 : 05", "Each Friday", "CC"},
          {"erin@example.test", "07 : 45", "Daily", "BCC"}});
    int width = 468;
    for (Resize(width); !List().NextMailingColumnShown() && width < 1000; Resize(width += 2)) {
    }
    ASSERT_TRUE(List().NextMailingColumnShown());

    const TRecipientRow longer{"frank.fitzgerald@example.test", "09 : 05", "Daily", "BCC"};
    List().SetRow(0, longer);
    EXPECT_FALSE(List().NextMailingColumnShown());
    EXPECT_FALSE(Cut(0, TRecipientListView::AddressColumn));
    List().RemoveRow(0);
    EXPECT_TRUE(List().NextMailingColumnShown());
    const int added = List().AppendRow(longer);
    EXPECT_FALSE(List().NextMailingColumnShown());
    EXPECT_EQ(List().Row(added), longer);
}

TEST_F(NextMailingColumn, FollowsTheClock) {
    Fill({{"a@example.test", "14 : 45", "Daily", "BCC"}, {"b@example.test", "09 : 00", "Each Sunday", "CC"}});
    Resize(760);
    ASSERT_EQ(Texts(), (QStringList{"09.12.2026 14:45", "13.12.2026 09:00"}));
    // While the list is in sight it looks again when the clock's minute changes.
    QTimer* timer = List().NextMailingTimer();
    EXPECT_TRUE(timer->isActive());
    EXPECT_EQ(timer->interval(), 60000);

    Clock.Set(TDateTime{2026, 12, 9, 14, 45, 20, 500});
    List().RefreshNextMailings();
    EXPECT_EQ(Texts(), (QStringList{"10.12.2026 14:45", "13.12.2026 09:00"}));
    EXPECT_EQ(Texts(), Schedule());
    EXPECT_EQ(timer->interval(), 39500);

    // Out of sight it does not; shown again, it is up to date at once.
    Form->Pages()->setCurrentIndex(1);
    QApplication::processEvents();
    EXPECT_FALSE(timer->isActive());
    Clock.Set(TDateTime{2026, 12, 13, 9, 0, 0, 0});
    Form->Pages()->setCurrentIndex(0);
    QApplication::processEvents();
    EXPECT_TRUE(timer->isActive());
    EXPECT_EQ(Texts(), (QStringList{"13.12.2026 14:45", "20.12.2026 09:00"}));
    Form->hide();
    EXPECT_FALSE(timer->isActive());
    Form->show();

    // A row written anew shows its own next mailing at once.
    List().SetRow(1, {"b@example.test", "09 : 01", "Each Sunday", "CC"});
    EXPECT_EQ(Texts(), (QStringList{"13.12.2026 14:45", "13.12.2026 09:01"}));
}

TEST_F(NextMailingColumn, ItsHeadingDoesNotSort) {
    Fill(SampleRows);
    Resize(760);
    ASSERT_TRUE(List().NextMailingColumnShown());
    QHeaderView* heading = List().header();
    const auto click = [&](int column) {
        const QPoint centre(heading->sectionViewportPosition(column) + heading->sectionSize(column) / 2,
                            heading->height() / 2);
        QTest::mouseClick(heading->viewport(), Qt::LeftButton, {}, centre);
    };
    const auto addresses = [this] {
        QStringList texts;
        for (int row = 0; row < List().RowCount(); ++row)
            texts << QString::fromStdString(List().Row(row).Address);
        return texts;
    };

    // Before any sort: the rows keep their stored order and no sort mark appears.
    const QStringList stored = addresses();
    click(TRecipientListView::NextMailingColumn);
    EXPECT_EQ(addresses(), stored);
    EXPECT_FALSE(heading->isSortIndicatorShown());
    EXPECT_EQ(List().SortColumn(), 0);

    // Sorted by time: its clicks change neither the order, the sort column, its direction nor
    // the mark, and the next click on a column of the rows goes on as before.
    click(TRecipientListView::TimeColumn);
    const QStringList byTime = addresses();
    for (int clicks = 0; clicks < 2; ++clicks) {
        click(TRecipientListView::NextMailingColumn);
        EXPECT_EQ(addresses(), byTime);
        EXPECT_EQ(List().SortColumn(), TRecipientListView::TimeColumn);
        EXPECT_TRUE(List().Descending(TRecipientListView::TimeColumn));
        EXPECT_EQ(heading->sortIndicatorSection(), TRecipientListView::TimeColumn);
        EXPECT_EQ(heading->sortIndicatorOrder(), Qt::DescendingOrder);
    }
    click(TRecipientListView::TimeColumn);
    EXPECT_FALSE(List().Descending(TRecipientListView::TimeColumn));
    EXPECT_EQ(heading->sortIndicatorOrder(), Qt::AscendingOrder);
}

// The column coming and going is no change of the selected row: what the user has typed into the
// editing area and not yet stored stays there.
TEST_F(NextMailingColumn, ComingAndGoingKeepsTheEditingArea) {
    Fill(SampleRows);
    Resize(760);
    ASSERT_TRUE(List().NextMailingColumnShown());
    const QRect cell = List().visualRect(List().model()->index(2, TRecipientListView::NextMailingColumn));
    QTest::mouseClick(List().viewport(), Qt::LeftButton, {}, cell.center());
    ASSERT_EQ(List().SelectedIndex(), 2);
    auto* address = Find<QLineEdit>("RecipientAddressEdit");
    ASSERT_EQ(address->text(), "erin@example.test");
    address->setText("erin@example.test, fred@example.test");

    Resize(468);
    EXPECT_FALSE(List().NextMailingColumnShown());
    Resize(760);
    EXPECT_TRUE(List().NextMailingColumnShown());
    EXPECT_EQ(List().SelectedIndex(), 2);
    EXPECT_EQ(address->text(), "erin@example.test, fred@example.test");
}

// A list that was never told the clock has no Next mailing column, however wide.
TEST_F(NextMailingColumn, NeedsTheClock) {
    TRecipientListView list;
    list.AppendRow({"a@example.test", "09 : 05", "Daily", "BCC"});
    list.resize(1200, 300);
    list.show();
    QApplication::processEvents();
    EXPECT_FALSE(list.NextMailingColumnShown());
    EXPECT_EQ(list.columnCount(), TRecipientListView::ColumnCount);
}

} // namespace
} // namespace corvalet::test
