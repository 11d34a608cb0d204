#include "ui/TimeEdit.h"

#include "ui/DigitKeyFilter.h"
#include "ui/UpDown.h"

#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>

namespace corvalet {

QString TwoDigits(int value) {
    return (value <= 9 ? QStringLiteral("0") : QString()) + QString::number(value);
}

namespace {

QLineEdit* MakeTimeField(const QString& name, QWidget* parent) {
    auto* field = new QLineEdit(QStringLiteral("00"), parent);
    field->setObjectName(name);
    field->setMaxLength(2);
    field->setFrame(false);
    field->setAlignment(Qt::AlignCenter);
    const int width = field->fontMetrics().horizontalAdvance(QStringLiteral("000"));
    field->setFixedWidth(width);
    return field;
}

int ReadField(const QLineEdit* field) {
    bool ok = false;
    const int value = field->text().toInt(&ok, 10);
    return ok ? value : 0;
}

} // namespace

TTimeEdit::TTimeEdit(QWidget* parent)
    : QWidget(parent), Frame(new QFrame(this)), HourEdit(MakeTimeField("HourTimeValueEdit", Frame)),
      ColonEdit(new QLineEdit(QStringLiteral(":"), Frame)),
      MinutesEdit(MakeTimeField("MinutesTimeValueEdit", Frame)), UpDown(new TUpDown(this)),
      Digits(new TDigitKeyFilter(this)) {
    // The frame stands in for the border of one time field; it takes no input of its own.
    Frame->setObjectName("TimeEdit");
    Frame->setFrameShape(QFrame::StyledPanel);
    Frame->setFrameShadow(QFrame::Sunken);
    Frame->setBackgroundRole(QPalette::Base);
    Frame->setAutoFillBackground(true);
    Frame->setFocusPolicy(Qt::NoFocus);
    Frame->setFixedHeight(QLineEdit().sizeHint().height());

    ColonEdit->setObjectName("ColonEdit");
    ColonEdit->setFrame(false);
    ColonEdit->setEnabled(false);
    ColonEdit->setAlignment(Qt::AlignCenter);
    QFont bold = ColonEdit->font();
    bold.setBold(true);
    ColonEdit->setFont(bold);
    ColonEdit->setFixedWidth(ColonEdit->fontMetrics().horizontalAdvance(QStringLiteral("::")));
    // Disabled, but drawn like the digits beside it.
    QPalette colon = ColonEdit->palette();
    colon.setColor(QPalette::Disabled, QPalette::Text, colon.color(QPalette::Active, QPalette::Text));
    colon.setColor(QPalette::Disabled, QPalette::Base, colon.color(QPalette::Active, QPalette::Base));
    ColonEdit->setPalette(colon);

    auto* inside = new QHBoxLayout(Frame);
    inside->setContentsMargins(2, 0, 2, 0);
    inside->setSpacing(0);
    inside->addWidget(HourEdit);
    inside->addWidget(ColonEdit);
    inside->addWidget(MinutesEdit);

    UpDown->setObjectName("TimeUpDown");
    UpDown->SetRange(0, 59);
    UpDown->SetWrap(true);
    UpDown->setEnabled(false);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(1);
    layout->addWidget(Frame);
    layout->addWidget(UpDown);
    layout->addStretch(1);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);

    for (QLineEdit* field : {HourEdit, MinutesEdit}) {
        Digits->Watch(field);
        field->installEventFilter(this);
        // The arrows step from the value in the field, also after it was typed over.
        connect(field, &QLineEdit::textEdited, this, [this, field] {
            if (field->hasFocus())
                UpDown->SetPosition(ReadField(field));
        });
    }
    setFocusProxy(HourEdit);
    connect(UpDown, &TUpDown::Changing, this, &TTimeEdit::TimeUpDownChangingEx);
}

void TTimeEdit::ShowTime(int hour, int minute) {
    HourEdit->setText(TwoDigits(hour < 0 ? 0 : hour));
    MinutesEdit->setText(TwoDigits(minute < 0 ? 0 : minute));
}

int TTimeEdit::Hour() const {
    return ReadField(HourEdit);
}

int TTimeEdit::Minute() const {
    return ReadField(MinutesEdit);
}

bool TTimeEdit::eventFilter(QObject* watched, QEvent* event) {
    const bool timeField = watched == HourEdit || watched == MinutesEdit;
    if (event->type() == QEvent::FocusIn) {
        if (watched == HourEdit)
            FieldEntered(HourEdit, 23);
        else if (watched == MinutesEdit)
            FieldEntered(MinutesEdit, 59);
    } else if (event->type() == QEvent::FocusOut && timeField) {
        TimeValueExit();
    } else if (event->type() == QEvent::KeyPress && timeField) {
        // The Up and Down keys step the field as its arrows do, like every other number field.
        const int key = static_cast<QKeyEvent*>(event)->key();
        if ((key == Qt::Key_Up || key == Qt::Key_Down) && UpDown->isEnabled()) {
            UpDown->StepBy(key == Qt::Key_Up ? 1 : -1);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

// The borderless fields cannot show the focus themselves; their common frame does, in the
// highlight colour, as a single field would.
void TTimeEdit::ShowFocusFrame(bool focused) {
    Frame->setProperty("focusFrame", focused);
    Frame->setStyleSheet(focused ? QStringLiteral("QFrame#TimeEdit { border: 1px solid palette(highlight);"
                                                  " border-radius: 2px; background: palette(base); }")
                                 : QString());
}

void TTimeEdit::FieldEntered(QLineEdit* field, int maximum) {
    UpDown->SetRange(0, maximum);
    UpDown->SetPosition(ReadField(field));
    UpDown->setEnabled(true);
    ShowFocusFrame(true);
}

void TTimeEdit::TimeValueExit() {
    UpDown->setEnabled(false);
    ShowFocusFrame(false);
}

void TTimeEdit::TimeUpDownChangingEx(int proposed) {
    int value = proposed;
    if (value < UpDown->Minimum())
        value = UpDown->Maximum();
    else if (value > UpDown->Maximum())
        value = UpDown->Minimum();
    UpDown->SetPosition(value);
    QLineEdit* field = HourEdit->hasFocus() ? HourEdit : MinutesEdit->hasFocus() ? MinutesEdit : nullptr;
    if (field == nullptr)
        return;
    field->setText(TwoDigits(value));
    field->selectAll();
    emit Stepped();
}

} // namespace corvalet
