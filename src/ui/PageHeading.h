#pragma once

#include <QWidget>

class QLabel;

namespace corvalet {

// A page heading: its text followed by a horizontal rule across the rest of the line.
class TPageHeading : public QWidget {
    Q_OBJECT
public:
    explicit TPageHeading(const QString& text, QWidget* parent = nullptr);

    QLabel* Label() const { return Text; }

private:
    QLabel* Text;
};

} // namespace corvalet
