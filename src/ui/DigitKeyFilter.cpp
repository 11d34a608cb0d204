#include "ui/DigitKeyFilter.h"

#include <QKeyEvent>

namespace corvalet {

namespace {

bool IsDroppedCharacter(QChar c) {
    const bool digit = c >= QLatin1Char('0') && c <= QLatin1Char('9');
    const bool control = c.category() == QChar::Other_Control;
    return !digit && !control;
}

} // namespace

bool TDigitKeyFilter::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        // Shortcuts (Ctrl+V, Ctrl+C, ...) are not typed characters even when the platform gives
        // them a letter as their text.
        const bool shortcut = key->modifiers() & (Qt::ControlModifier | Qt::MetaModifier);
        const QString text = key->text();
        if (!shortcut && !text.isEmpty()) {
            for (const QChar c : text) {
                if (IsDroppedCharacter(c))
                    return true;
            }
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace corvalet
