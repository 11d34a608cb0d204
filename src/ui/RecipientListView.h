#pragma once

#include "ui/RecipientRow.h"

#include <QTreeWidget>

#include <array>

namespace corvalet {

class TClock;
class TFormatSettings;

// The recipient list: one read-only row of four texts per recipient, whole-row single selection,
// grid lines. It sorts only when asked to, by `SortColumn`, each column with its own direction.
class TRecipientListView : public QTreeWidget {
    Q_OBJECT
public:
    static constexpr int ColumnCount = 4;
    enum EColumn { AddressColumn = 0, TimeColumn = 1, FrequencyColumn = 2, DistributionColumn = 3 };

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
    // time when the tooltip shows.
    void ShowNextMailings(const TClock& clock, const TFormatSettings& formats);
    // The tooltip of a cell: its whole text when the cell cuts it, then the row's next mailing
    // (once ShowNextMailings was called); empty for none.
    QString CellToolTip(const QModelIndex& index) const;

signals:
    // The selection moved: a row was selected or deselected.
    void SelectionChanged();

private:
    void FitColumns();

    int Column = 0;
    std::array<bool, ColumnCount> DescendingFlags{};
    const TClock* Clock = nullptr;
    const TFormatSettings* Formats = nullptr;
};

} // namespace corvalet
