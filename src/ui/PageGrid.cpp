#include "ui/PageGrid.h"

#include "ui/PageControls.h"

#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QSpacerItem>

namespace corvalet {

namespace {

enum EColumn { LabelColumn = 0, FieldColumn = 1, BesideColumn = 2, ColumnCount = 3 };

} // namespace

TPageHeading::TPageHeading(const QString& text, QWidget* parent) : QWidget(parent), Text(new QLabel(text)) {
    QFont bold = Text->font();
    bold.setBold(true);
    Text->setFont(bold);
    auto* rule = new QFrame;
    rule->setFrameShape(QFrame::HLine);
    rule->setFrameShadow(QFrame::Sunken);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(Text);
    layout->addWidget(rule, 1);
    setFocusPolicy(Qt::NoFocus);
}

void TPageHeading::SetSpaceAbove(int pixels) {
    layout()->setContentsMargins(0, pixels, 0, 0);
}

TPageGrid::TPageGrid(QWidget& page, ESpareHeight spare) : Page(page), Grid(new QGridLayout(&page)) {
    Grid->setContentsMargins(PageMargin, PageMargin, PageMargin, PageMargin);
    Grid->setColumnStretch(FieldColumn, 1);
    if (spare == ESpareHeight::AtEnd) {
        Spare = new QSpacerItem(0, 0, QSizePolicy::Minimum, QSizePolicy::Expanding);
        Grid->addItem(Spare, 0, LabelColumn);
    }
}

// The spare room, when the page keeps it at the end, moves down below each new row.
int TPageGrid::NextRow(int stretch) {
    const int row = Row++;
    if (Spare != nullptr) {
        Grid->removeItem(Spare);
        Grid->addItem(Spare, Row, LabelColumn, 1, ColumnCount);
    }
    Grid->setRowStretch(row, stretch);
    return row;
}

void TPageGrid::AddHeading(const QString& text) {
    auto* heading = new TPageHeading(text, &Page);
    // Every heading but the first stands apart from the section above it.
    if (Row > 0)
        heading->SetSpaceAbove(heading->fontMetrics().height() / 2);
    Grid->addWidget(heading, NextRow(), LabelColumn, 1, ColumnCount);
}

void TPageGrid::AddRow(QWidget* label, QWidget* field, QWidget* beside, Qt::Alignment alignment) {
    const int row = NextRow();
    if (label != nullptr)
        Grid->addWidget(label, row, LabelColumn);
    Grid->addWidget(field, row, FieldColumn, 1, beside == nullptr ? 2 : 1, alignment);
    if (beside != nullptr)
        Grid->addWidget(beside, row, BesideColumn);
}

void TPageGrid::AddRow(QWidget* label, QLayout* field) {
    const int row = NextRow();
    if (label != nullptr)
        Grid->addWidget(label, row, LabelColumn);
    Grid->addLayout(field, row, FieldColumn, 1, 2);
}

void TPageGrid::AddWide(QWidget* control, int stretch) {
    Grid->addWidget(control, NextRow(stretch), LabelColumn, 1, ColumnCount);
}

void TPageGrid::AddWide(QLayout* controls, int stretch) {
    Grid->addLayout(controls, NextRow(stretch), LabelColumn, 1, ColumnCount);
}

} // namespace corvalet
