#include "ui/RecipientListView.h"

#include "app/NextMailing.h"
#include "platform/Clock.h"
#include "settings/RecipientTexts.h"
#include "ui/UiText.h"

#include <QHeaderView>
#include <QHelpEvent>
#include <QStyle>
#include <QToolTip>
#include <QPainter>
#include <QStyledItemDelegate>

#include <algorithm>
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

// Draws each cell as usual, then the grid lines at its right and bottom edges. A cell too narrow
// for its text shows the whole text as its tooltip, above the row's next mailing.
class TGridLineDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override {
        if (event->type() != QEvent::ToolTip)
            return QStyledItemDelegate::helpEvent(event, view, option, index);
        const auto* list = qobject_cast<const TRecipientListView*>(view);
        const QString tip = list != nullptr                           ? list->CellToolTip(index)
                            : TRecipientListView::IsCut(*view, index) ? index.data(Qt::DisplayRole).toString()
                                                                      : QString();
        if (!tip.isEmpty()) {
            QToolTip::showText(event->globalPos(), tip, view);
            return true;
        }
        QToolTip::hideText();
        event->ignore();
        return false;
    }

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
    // The long headings take two lines, so that their columns leave the addresses room to be read.
    setHeaderLabels(
        {tr("E-mail address"), tr("Time to\nsend e-mail"), tr("E-mail\nfrequency"), tr("Distribution")});
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
    // Shown once the list has been sorted; until then the rows stand in their stored order.
    columns->setSortIndicatorShown(false);
    // The address takes the room the other columns leave; they are as wide as their heading or
    // their widest text, so no heading is cut and no sideways scrolling is needed.
    columns->setMinimumSectionSize(fontMetrics().horizontalAdvance(QStringLiteral("MMMMMM")));
    columns->setSectionResizeMode(QHeaderView::Interactive);
    columns->setSectionResizeMode(AddressColumn, QHeaderView::Stretch);
    FitColumns();
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setTextElideMode(Qt::ElideRight);
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
    // sortItems sets the indicator to the order it was asked for; the direction lives in the
    // comparison, so the heading is told the real one.
    header()->setSortIndicator(Column, Descending(Column) ? Qt::DescendingOrder : Qt::AscendingOrder);
    header()->setSortIndicatorShown(true);
    FitColumns();
    // The selected row may have moved out of sight.
    if (QTreeWidgetItem* selected = currentItem(); selected != nullptr && selected->isSelected())
        scrollToItem(selected);
}

// Every column but the address is as wide as its heading (and the sort mark, when it stands there);
// the frequency column also fits the undated frequencies. A dated frequency would make its column
// wider than the window: it shows whole in its tooltip, and the user may widen the column.
void TRecipientListView::FitColumns() {
    QHeaderView* columns = header();
    const QFontMetrics& metrics = columns->fontMetrics();
    const int headerMargin = style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, columns);
    const int cellMargins = 2 * (style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1);
    for (int column = TimeColumn; column < ColumnCount; ++column) {
        int width = 0;
        for (const QString& line : headerItem()->text(column).split(QLatin1Char('\n')))
            width = std::max(width, metrics.horizontalAdvance(line));
        width += 2 * headerMargin;
        if (columns->isSortIndicatorShown() && columns->sortIndicatorSection() == column)
            width += style()->pixelMetric(QStyle::PM_HeaderMarkSize, nullptr, columns) + headerMargin;
        if (column == FrequencyColumn)
            for (int code = 0; code < FirstDatedFrequency; ++code)
                width = std::max(width, fontMetrics().horizontalAdvance(ToQt(
                                            std::string(FrequencyTexts[static_cast<std::size_t>(code)]))) +
                                            cellMargins);
        columns->resizeSection(column, width);
    }
}

bool TRecipientListView::IsCut(const QAbstractItemView& view, const QModelIndex& index) {
    const QRect cell = view.visualRect(index);
    if (!cell.isValid())
        return false;
    const QString text = index.data(Qt::DisplayRole).toString();
    // The cell's margins as the item view draws them: a few pixels at each side.
    const int margin = view.style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, &view) + 1;
    return view.fontMetrics().horizontalAdvance(text) + 2 * margin > cell.width();
}

void TRecipientListView::ShowNextMailings(const TClock& clock, const TFormatSettings& formats) {
    Clock = &clock;
    Formats = &formats;
}

QString TRecipientListView::CellToolTip(const QModelIndex& index) const {
    QStringList lines;
    if (IsCut(*this, index))
        lines << index.data(Qt::DisplayRole).toString();
    const QTreeWidgetItem* item = itemFromIndex(index);
    if (Clock != nullptr && item != nullptr) {
        const TRecipientRow row = RowOf(*item);
        const std::optional<TDateTime> next = NextMailing(
            TScheduleRow{row.Address, row.Time, row.Frequency, row.Distribution}, Clock->Now(), *Formats);
        lines << (next ? tr("Next mailing: %1").arg(ToQt(MailingTimeText(*next, *Formats)))
                       : tr("No next mailing"));
    }
    return lines.join(QLatin1Char('\n'));
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
