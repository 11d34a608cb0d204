#pragma once

#include "ui/RecipientRow.h"

#include <QTreeWidget>

#include <array>
#include <optional>

class QTimer;

namespace corvalet {

class TClock;
class TFormatSettings;

// The recipient list: one read-only row of four texts per recipient, whole-row single selection,
// grid lines. It sorts only when asked to, by `SortColumn`, each column with its own direction.
// Once told the clock (ShowNextMailings), a fifth column names each row's next mailing whenever the
// list is wide enough to show it without cutting the addresses.
class TRecipientListView : public QTreeWidget {
    Q_OBJECT
public:
    // The four columns of a row: what is stored and what the list sorts by.
    static constexpr int ColumnCount = 4;
    enum EColumn { AddressColumn = 0, TimeColumn = 1, FrequencyColumn = 2, DistributionColumn = 3 };
    // Worked out from the other four; it exists only while shown, after them.
    static constexpr int NextMailingColumn = ColumnCount;

    explicit TRecipientListView(QWidget* parent = nullptr);

    int RowCount() const;
    TRecipientRow Row(int index) const;
    void SetRow(int index, const TRecipientRow& row);
    // Appends a row and gives its position.
    int AppendRow(const TRecipientRow& row);
    void RemoveRow(int index);
    void Clear();

    // The selected row's position, -1 when none is selected.
    int SelectedIndex() const;
    // Makes the row at `index` the current and the only selected row and scrolls it into view.
    void SelectRow(int index);

    int SortColumn() const { return Column; }
    void SetSortColumn(int column) { Column = column; }
    // True when the column sorts descending.
    bool Descending(int column) const { return DescendingFlags.at(static_cast<std::size_t>(column)); }
    // Flips the column's direction, makes it the sort column and sorts.
    void RecipientsListViewColumnClick(int column);
    // Orders the rows by the sort column, shows the column and direction in the heading; the
    // selection stays on the same row and is scrolled into view.
    void Sort();
    // Negative, 0 or positive as row `a` sorts before, with or after row `b`.
    int RecipientsListViewCompare(const TRecipientRow& a, const TRecipientRow& b) const;

    // True when the cell is too narrow to show its whole text (it then shows it as a tooltip).
    static bool IsCut(const QAbstractItemView& view, const QModelIndex& index);

    // From now on each row's tooltip names when the schedule will next mail it, as of the clock's
    // time when the tooltip shows, and so does the Next mailing column when there is room for it.
    void ShowNextMailings(const TClock& clock, const TFormatSettings& formats);
    // True while the Next mailing column is shown.
    bool NextMailingColumnShown() const { return columnCount() > NextMailingColumn; }
    // Works out every row's next mailing again as of the clock's time, shows or hides the column to
    // suit, and, while the list is visible, sets itself to run again when the clock's minute changes.
    void RefreshNextMailings();
    // The timer behind that, for a test to look at (it calls RefreshNextMailings rather than wait).
    QTimer* NextMailingTimer() const { return MinuteTimer; }
    // The tooltip of a cell: its whole text when the cell cuts it, then the row's next mailing
    // (once ShowNextMailings was called); empty for none.
    QString CellToolTip(const QModelIndex& index) const;

signals:
    // The selection moved: a row was selected or deselected.
    void SelectionChanged();

protected:
    // Also called for the resizes of the rows' area, which decide whether the column fits.
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void FitColumns();
    // Shows the Next mailing column, as wide as it needs, when the addresses keep their room beside
    // it; hides it otherwise.
    void FitNextMailingColumn();
    int AddressRoomWanted();
    void AddNextMailingColumn();
    // The widest address and next mailing of the rows, with the cells' margins.
    struct TWidths {
        int Address = 0;
        int NextMailing = 0;
    };
    const TWidths& WidestTexts();
    void TakeInWidths(const QTreeWidgetItem& item);

    int Column = 0;
    std::array<bool, ColumnCount> DescendingFlags{};
    const TClock* Clock = nullptr;
    const TFormatSettings* Formats = nullptr;
    QTimer* MinuteTimer;
    // Nothing while they are to be measured again.
    std::optional<TWidths> Widest;
};

} // namespace corvalet
