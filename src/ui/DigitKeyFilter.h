#pragma once

#include <QObject>

namespace corvalet {

// Lets only the digits 0 to 9 and control characters (Backspace, the clipboard shortcuts) through
// to the fields it watches; every other typed character is dropped. Pasting is not typing, so a
// pasted text of any kind still arrives.
class TDigitKeyFilter : public QObject {
    Q_OBJECT
public:
    explicit TDigitKeyFilter(QObject* parent = nullptr) : QObject(parent) {}

    // Watches the given field for as long as both live.
    void Watch(QObject* field) { field->installEventFilter(this); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

} // namespace corvalet
