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
#include <QSignalBlocker>
#include <QStyledItemDelegate>
#include <QTimer>

#include <algorithm>
#include <cmath>
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

// The width a cell's text takes as the item view draws it: in fractions of a pixel, which the whole
// pixels of QFontMetrics round away, so that a text said to fit is not drawn cut.
int TextWidth(const QWidget& view, const QString& text) {
    return static_cast<int>(std::ceil(QFontMetricsF(view.font()).horizontalAdvance(text)));
}

// The cell's margins as the item view draws them: a few pixels at each side.
int CellMargins(const QAbstractItemView& view) {
    return 2 * (view.style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, &view) + 1);
}

// The width a heading needs for its longest line.
int HeadingWidth(const QHeaderView& columns, const QString& heading) {
    int width = 0;
    for (const QString& line : heading.split(QLatin1Char('\n')))
        width = std::max(width, columns.fontMetrics().horizontalAdvance(line));
    return width + 2 * columns.style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, &columns);
}

// The same with the sort mark, when it stands in the column.
int HeadingWidth(const QTreeWidget& list, int column) {
    const QHeaderView& columns = *list.header();
    int width = HeadingWidth(columns, list.headerItem()->text(column));
    if (columns.isSortIndicatorShown() && columns.sortIndicatorSection() == column)
        width += columns.style()->pixelMetric(QStyle::PM_HeaderMarkSize, nullptr, &columns) +
                 columns.style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, &columns);
    return width;
}

QString NextMailingHeading() {
    return TRecipientListView::tr("Next mailing");
}

void WriteRow(QTreeWidgetItem& item, const TRecipientRow& row) {
    item.setText(TRecipientListView::AddressColumn, ToQt(row.Address));
    item.setText(TRecipientListView::TimeColumn, ToQt(row.Time));
    item.setText(TRecipientListView::FrequencyColumn, ToQt(row.Frequency));
    item.setText(TRecipientListView::DistributionColumn, ToQt(row.Distribution));
}

std::optional<TDateTime> NextMailingOf(const QTreeWidgetItem& item, const TDateTime& now,
                                       const TFormatSettings& formats) {
    const TRecipientRow row = RowOf(item);
    return NextMailing(TScheduleRow{row.Address, row.Time, row.Frequency, row.Distribution}, now, formats);
}

// Kept in the item even while the column is hidden: the column's width comes from these texts.
void WriteNextMailing(QTreeWidgetItem& item, const TDateTime& now, const TFormatSettings& formats) {
    const std::optional<TDateTime> next = NextMailingOf(item, now, formats);
    item.setText(TRecipientListView::NextMailingColumn,
                 next ? ToQt(MailingTimeText(*next, formats)) : QString());
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

TRecipientListView::TRecipientListView(QWidget* parent) : QTreeWidget(parent), MinuteTimer(new QTimer(this)) {
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
    MinuteTimer->setSingleShot(true);
    connect(MinuteTimer, &QTimer::timeout, this, &TRecipientListView::RefreshNextMailings);
}

int TRecipientListView::RowCount() const {
    return topLevelItemCount();
}

TRecipientRow TRecipientListView::Row(int index) const {
    const QTreeWidgetItem* item = topLevelItem(index);
    return item == nullptr ? TRecipientRow{} : RowOf(*item);
}

void TRecipientListView::SetRow(int index, const TRecipientRow& row) {
    QTreeWidgetItem* item = topLevelItem(index);
    if (item == nullptr)
        return;
    WriteRow(*item, row);
    if (Clock != nullptr)
        WriteNextMailing(*item, Clock->Now(), *Formats);
    Widest.reset(); // the row may have been the widest
    FitNextMailingColumn();
}

int TRecipientListView::AppendRow(const TRecipientRow& row) {
    auto item = std::make_unique<TRecipientItem>(*this);
    WriteRow(*item, row);
    if (Clock != nullptr)
        WriteNextMailing(*item, Clock->Now(), *Formats);
    if (Widest)
        TakeInWidths(*item);
    addTopLevelItem(item.release()); // the list owns its rows
    FitNextMailingColumn();
    return topLevelItemCount() - 1;
}

void TRecipientListView::RemoveRow(int index) {
    // Taking the row out hands it back to us; it is freed here.
    std::unique_ptr<QTreeWidgetItem> removed(takeTopLevelItem(index));
    Widest.reset();
    FitNextMailingColumn();
}

void TRecipientListView::Clear() {
    clear();
    Widest.reset();
    FitNextMailingColumn();
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
    if (column < 0 || column >= ColumnCount) {
        // The next mailing is worked out from the row, not kept with it: the list does not sort by
        // it, and the sort column and its direction stay as they were. The heading has already
        // moved its sort mark to the clicked column; it goes back.
        header()->setSortIndicator(Column, Descending(Column) ? Qt::DescendingOrder : Qt::AscendingOrder);
        return;
    }
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
    // The sort mark may have widened a column.
    FitNextMailingColumn();
    // The selected row may have moved out of sight.
    if (QTreeWidgetItem* selected = currentItem(); selected != nullptr && selected->isSelected())
        scrollToItem(selected);
}

// Every column but the address is as wide as its heading (and the sort mark, when it stands there);
// the frequency column also fits the undated frequencies. A dated frequency would make its column
// wider than the window: it shows whole in its tooltip, and the user may widen the column.
void TRecipientListView::FitColumns() {
    for (int column = TimeColumn; column < ColumnCount; ++column) {
        int width = HeadingWidth(*this, column);
        if (column == FrequencyColumn)
            for (int code = 0; code < FirstDatedFrequency; ++code)
                width = std::max(
                    width,
                    TextWidth(*this, ToQt(std::string(FrequencyTexts[static_cast<std::size_t>(code)]))) +
                        CellMargins(*this));
        header()->resizeSection(column, width);
    }
}

bool TRecipientListView::IsCut(const QAbstractItemView& view, const QModelIndex& index) {
    const QRect cell = view.visualRect(index);
    if (!cell.isValid())
        return false;
    const QString text = index.data(Qt::DisplayRole).toString();
    return TextWidth(view, text) + CellMargins(view) > cell.width();
}

void TRecipientListView::ShowNextMailings(const TClock& clock, const TFormatSettings& formats) {
    Clock = &clock;
    Formats = &formats;
    RefreshNextMailings();
}

void TRecipientListView::RefreshNextMailings() {
    MinuteTimer->stop();
    if (Clock == nullptr)
        return;
    // One reading of the clock for all rows, so that rows due together show the same mailing.
    const TDateTime now = Clock->Now();
    for (int index = 0; index < topLevelItemCount(); ++index)
        WriteNextMailing(*topLevelItem(index), now, *Formats);
    Widest.reset();
    FitNextMailingColumn();
    // A row's next mailing changes only when the clock enters the minute it names: once that
    // minute begins, its mailing has had its pass.
    if (isVisible())
        MinuteTimer->start(std::max(0, (60 - now.Second) * 1000 - now.Millisecond));
}

// Measuring every row at each resize would make a long list slow to resize and, row by row, slow
// to fill: the widest texts are kept, grown as rows come and measured again after a change that
// may have narrowed them.
void TRecipientListView::TakeInWidths(const QTreeWidgetItem& item) {
    Widest->Address = std::max(Widest->Address, TextWidth(*this, item.text(AddressColumn)) + CellMargins(*this));
    Widest->NextMailing =
        std::max(Widest->NextMailing, TextWidth(*this, item.text(NextMailingColumn)) + CellMargins(*this));
}

const TRecipientListView::TWidths& TRecipientListView::WidestTexts() {
    if (!Widest) {
        Widest.emplace();
        for (int index = 0; index < topLevelItemCount(); ++index)
            TakeInWidths(*topLevelItem(index));
    }
    return *Widest;
}

// Room for the widest address, but no more than about thirty characters: addresses longer than
// that are cut in a window of usual size anyway, and the next mailing is worth more than their end.
// Never less than the address heading, which is not to be cut either.
int TRecipientListView::AddressRoomWanted() {
    const int enough = 30 * fontMetrics().averageCharWidth();
    return std::max(HeadingWidth(*this, AddressColumn), std::min(WidestTexts().Address, enough));
}

void TRecipientListView::FitNextMailingColumn() {
    // Until the list is shown its width means nothing; showing it fits the column. Without the
    // clock the column never comes.
    if (Clock == nullptr || !isVisible())
        return;
    const int needed = std::max(HeadingWidth(*header(), NextMailingHeading()), WidestTexts().NextMailing);
    int others = 0;
    for (int column = TimeColumn; column < ColumnCount; ++column)
        others += header()->sectionSize(column);
    const bool fits = viewport()->width() - others - needed >= AddressRoomWanted();
    if (fits != NextMailingColumnShown()) {
        // The same row stays selected. Its cell in a column that goes away leaves the selection,
        // which is no change of row: told of it, the page would load the row over the editing
        // area's unsaved changes.
        const QSignalBlocker quiet(this);
        if (fits)
            AddNextMailingColumn();
        else
            setColumnCount(ColumnCount);
    }
    if (fits)
        header()->resizeSection(NextMailingColumn, needed);
}

void TRecipientListView::AddNextMailingColumn() {
    setColumnCount(ColumnCount + 1);
    headerItem()->setText(NextMailingColumn, NextMailingHeading());
}

void TRecipientListView::changeEvent(QEvent* event) {
    QTreeWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
        Widest.reset();
}

void TRecipientListView::resizeEvent(QResizeEvent* event) {
    QTreeWidget::resizeEvent(event);
    FitNextMailingColumn();
}

void TRecipientListView::showEvent(QShowEvent* event) {
    QTreeWidget::showEvent(event);
    RefreshNextMailings();
}

void TRecipientListView::hideEvent(QHideEvent* event) {
    QTreeWidget::hideEvent(event);
    MinuteTimer->stop();
}

QString TRecipientListView::CellToolTip(const QModelIndex& index) const {
    QStringList lines;
    if (IsCut(*this, index))
        lines << index.data(Qt::DisplayRole).toString();
    const QTreeWidgetItem* item = itemFromIndex(index);
    if (Clock != nullptr && item != nullptr) {
        const std::optional<TDateTime> next = NextMailingOf(*item, Clock->Now(), *Formats);
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
