#include "ui/RecipientListView.h"

#include "settings/RecipientTexts.h"
#include "ui/UiText.h"

#include <QHeaderView>
#include <QPainter>
#include <QStyledItemDelegate>

#include <memory>

namespace corvalet {

namespace {

// Character by character, letters A to Z without regard to their case.
int CompareText(const std::string& a, const std::string& b) {
    const auto fold = [](char c) {
        return static_cast<unsigned char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    };
    const std::size_t common = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < common; ++i) {
        const int difference = fold(a[i]) - fold(b[i]);
        if (difference != 0)
            return difference;
    }
    return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

int CompareTimes(const std::string& a, const std::string& b) {
    TTimeText first;
    TTimeText second;
    ParseTimeText(a, first);
    ParseTimeText(b, second);
    if (first.Hour != second.Hour)
        return first.Hour < second.Hour ? -1 : 1;
    if (first.Minute != second.Minute)
        return first.Minute < second.Minute ? -1 : 1;
    return 0;
}

TRecipientRow RowOf(const QTreeWidgetItem& item) {
    return {FromQt(item.text(TRecipientListView::AddressColumn)),
            FromQt(item.text(TRecipientListView::TimeColumn)),
            FromQt(item.text(TRecipientListView::FrequencyColumn)),
            FromQt(item.text(TRecipientListView::DistributionColumn))};
}

void WriteRow(QTreeWidgetItem& item, const TRecipientRow& row) {
    item.setText(TRecipientListView::AddressColumn, ToQt(row.Address));
    item.setText(TRecipientListView::TimeColumn, ToQt(row.Time));
    item.setText(TRecipientListView::FrequencyColumn, ToQt(row.Frequency));
    item.setText(TRecipientListView::DistributionColumn, ToQt(row.Distribution));
}

// Draws each cell as usual, then the grid lines at its right and bottom edges.
class TGridLineDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyledItemDelegate::paint(painter, option, index);
        painter->save();
        painter->setPen(option.palette.color(QPalette::Mid));
        painter->drawLine(option.rect.topRight(), option.rect.bottomRight());
        painter->drawLine(option.rect.bottomLeft(), option.rect.bottomRight());
        painter->restore();
    }
};

// A row that orders itself by the list's sort column and direction.
class TRecipientItem : public QTreeWidgetItem {
public:
    explicit TRecipientItem(const TRecipientListView& list) : List(list) {}

    bool operator<(const QTreeWidgetItem& other) const override {
        return List.RecipientsListViewCompare(RowOf(*this), RowOf(other)) < 0;
    }

private:
    const TRecipientListView& List;
};

} // namespace

TRecipientListView::TRecipientListView(QWidget* parent) : QTreeWidget(parent) {
    setObjectName("RecipientsListView");
    setColumnCount(ColumnCount);
    setHeaderLabels(
        {tr("E-mail address"), tr("Time to send e-mail"), tr("E-mail frequency"), tr("Distribution")});
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSortingEnabled(false);
    setItemDelegate(new TGridLineDelegate(this));
    QHeaderView* columns = header();
    columns->setSectionsClickable(true);
    columns->setSectionsMovable(false);
    columns->setStretchLastSection(false);
    columns->setSortIndicatorShown(false);
    // Each column starts as wide as its heading.
    for (int column = 0; column < ColumnCount; ++column)
        resizeColumnToContents(column);
    connect(columns, &QHeaderView::sectionClicked, this, &TRecipientListView::RecipientsListViewColumnClick);
    connect(this, &QTreeWidget::itemSelectionChanged, this, &TRecipientListView::SelectionChanged);
}

int TRecipientListView::RowCount() const {
    return topLevelItemCount();
}

TRecipientRow TRecipientListView::Row(int index) const {
    const QTreeWidgetItem* item = topLevelItem(index);
    return item == nullptr ? TRecipientRow{} : RowOf(*item);
}

void TRecipientListView::SetRow(int index, const TRecipientRow& row) {
    if (QTreeWidgetItem* item = topLevelItem(index))
        WriteRow(*item, row);
}

int TRecipientListView::AppendRow(const TRecipientRow& row) {
    auto item = std::make_unique<TRecipientItem>(*this);
    WriteRow(*item, row);
    addTopLevelItem(item.release()); // the list owns its rows
    return topLevelItemCount() - 1;
}

void TRecipientListView::RemoveRow(int index) {
    // Taking the row out hands it back to us; it is freed here.
    std::unique_ptr<QTreeWidgetItem> removed(takeTopLevelItem(index));
}

void TRecipientListView::Clear() {
    clear();
}

int TRecipientListView::SelectedIndex() const {
    const QList<QTreeWidgetItem*> selected = selectedItems();
    return selected.isEmpty() ? -1 : indexOfTopLevelItem(selected.first());
}

void TRecipientListView::SelectRow(int index) {
    QTreeWidgetItem* item = topLevelItem(index);
    if (item == nullptr)
        return;
    setCurrentItem(item, 0, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    scrollToItem(item);
}

void TRecipientListView::RecipientsListViewColumnClick(int column) {
    if (column < 0 || column >= ColumnCount)
        return;
    auto& flag = DescendingFlags.at(static_cast<std::size_t>(column));
    flag = !flag;
    Column = column;
    Sort();
}

void TRecipientListView::Sort() {
    sortItems(Column, Qt::AscendingOrder);
}

int TRecipientListView::RecipientsListViewCompare(const TRecipientRow& a, const TRecipientRow& b) const {
    int result = 0;
    switch (Column) {
    case AddressColumn:
        result = CompareText(a.Address, b.Address);
        break;
    case TimeColumn:
        result = CompareTimes(a.Time, b.Time);
        break;
    case FrequencyColumn:
        result = CompareText(a.Frequency, b.Frequency);
        break;
    case DistributionColumn:
        result = CompareText(a.Distribution, b.Distribution);
        break;
    default:
        break;
    }
    return Descending(Column) ? -result : result;
}

} // namespace corvalet
