#include "ui/UpDown.h"

#include <QEvent>
#include <QIntValidator>
#include <QKeyEvent>
#include <QLineEdit>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace corvalet {

namespace {

constexpr int ArrowWidth = 18;

QToolButton* MakeArrow(Qt::ArrowType arrow, QWidget* parent) {
    auto* button = new QToolButton(parent);
    button->setArrowType(arrow);
    button->setFocusPolicy(Qt::NoFocus);
    button->setAutoRepeat(true);
    button->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Ignored);
    button->setFixedWidth(ArrowWidth);
    return button;
}

} // namespace

TUpDown::TUpDown(QWidget* parent)
    : QWidget(parent), Up(MakeArrow(Qt::UpArrow, this)), Down(MakeArrow(Qt::DownArrow, this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(Up);
    layout->addWidget(Down);
    setFocusPolicy(Qt::NoFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    connect(Up, &QToolButton::clicked, this, [this] { StepBy(1); });
    connect(Down, &QToolButton::clicked, this, [this] { StepBy(-1); });
}

QSize TUpDown::sizeHint() const {
    return {ArrowWidth, QLineEdit().sizeHint().height()};
}

void TUpDown::SetRange(int minimum, int maximum) {
    Min = minimum;
    Max = maximum;
    if (Field != nullptr)
        Field->setValidator(new QIntValidator(Min, Max, Field));
    SetPosition(Pos);
}

void TUpDown::SetPosition(int position) {
    const int kept = std::clamp(position, Min, Max);
    const bool changed = kept != Pos;
    Pos = kept;
    ShowPositionInField();
    if (changed)
        emit PositionChanged(Pos);
}

void TUpDown::StepBy(int delta) {
    const int proposed = Pos + delta;
    if (Wraps) {
        emit Changing(proposed);
        return;
    }
    SetPosition(proposed);
}

void TUpDown::Attach(QLineEdit* field) {
    Field = field;
    Field->setValidator(new QIntValidator(Min, Max, Field));
    connect(Field, &QLineEdit::textEdited, this, &TUpDown::ReadField);
    // A number left out of range or empty shows the position again when the field is left.
    Field->installEventFilter(this);
    ShowPositionInField();
}

bool TUpDown::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Field && event->type() == QEvent::FocusOut)
        ShowPositionInField();
    // The arrow keys in the attached field step like the arrows.
    if (watched == Field && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down) {
            StepBy(key == Qt::Key_Up ? 1 : -1);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TUpDown::ShowPositionInField() {
    if (Field != nullptr && Field->text() != QString::number(Pos))
        Field->setText(QString::number(Pos));
}

void TUpDown::ReadField() {
    bool ok = false;
    const int value = Field->text().toInt(&ok);
    if (ok && value >= Min && value <= Max && value != Pos) {
        Pos = value;
        emit PositionChanged(Pos);
    }
}

} // namespace corvalet
