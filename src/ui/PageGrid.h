#pragma once

#include <QWidget>

class QGridLayout;
class QLabel;
class QLayout;
class QLayoutItem;

namespace corvalet {

// A page heading: its text in bold followed by a horizontal rule across the rest of the line.
class TPageHeading : public QWidget {
    Q_OBJECT
public:
    explicit TPageHeading(const QString& text, QWidget* parent = nullptr);

    QLabel* Label() const { return Text; }
    // Room above the text, which sets the heading apart from the section before it.
    void SetSpaceAbove(int pixels);

private:
    QLabel* Text;
};

// The controls of a page in one grid, so that every field of the page starts at the same place:
// headings across the page; rows of a label in the first column and its field in the second; the
// third column for what stands beside a field (a "..." button, a date picker). A field without
// anything beside it takes the third column too.
class TPageGrid {
public:
    enum class ESpareHeight { AtEnd, InRows };

    // Lays out `page`; with `AtEnd` the height the rows do not need stays below the last one.
    TPageGrid(QWidget& page, ESpareHeight spare);

    void AddHeading(const QString& text);
    // `label` may be null for a field that has no label of its own. With an alignment the field
    // keeps its own width instead of filling its columns.
    void AddRow(QWidget* label, QWidget* field, QWidget* beside = nullptr, Qt::Alignment alignment = {});
    void AddRow(QWidget* label, QLayout* field);
    // A control or a row of controls across the whole page; `stretch` > 0 gives the row a share of
    // the spare height.
    void AddWide(QWidget* control, int stretch = 0);
    void AddWide(QLayout* controls, int stretch = 0);

    QGridLayout* Layout() const { return Grid; }

private:
    int NextRow(int stretch = 0);

    QWidget& Page;
    QGridLayout* Grid;
    QLayoutItem* Spare = nullptr;
    int Row = 0;
};

} // namespace corvalet
