#pragma once

#include <QWidget>

class QFrame;
class QLineEdit;

namespace corvalet {

class TDigitKeyFilter;
class TUpDown;

// The time of day of the editing area: an hour field and a minute field of two characters each,
// drawn without borders inside one frame with a bold ":" between them so that together they look
// like a single time field, and the up-down arrows beside it. The arrows work only while one of the
// two fields has the keyboard focus; they step the focused field and wrap at its range.
class TTimeEdit : public QWidget {
    Q_OBJECT
public:
    explicit TTimeEdit(QWidget* parent = nullptr);

    // Writes each number as two digits ("0" before a number of 9 or less). A number below 0 (a time
    // text that did not read) shows as "00".
    void ShowTime(int hour, int minute);
    // The fields read as decimal numbers; a field that does not read counts as 0.
    int Hour() const;
    int Minute() const;

    QLineEdit* HourField() const { return HourEdit; }
    QLineEdit* MinuteField() const { return MinutesEdit; }
    TUpDown* Arrows() const { return UpDown; }

signals:
    // The arrows wrote a new value into one of the fields.
    void Stepped();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FieldEntered(QLineEdit* field, int maximum);
    void TimeValueExit();
    void ShowFocusFrame(bool focused);
    void TimeUpDownChangingEx(int proposed);

    QFrame* Frame;
    QLineEdit* HourEdit;
    QLineEdit* ColonEdit;
    QLineEdit* MinutesEdit;
    TUpDown* UpDown;
    TDigitKeyFilter* Digits;
};

// A number as two digits, "0" before a number of 9 or less, as the time fields and time texts show it.
QString TwoDigits(int value);

} // namespace corvalet
