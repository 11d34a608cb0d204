#pragma once

#include <QGuiApplication>

namespace corvalet {

// Shows the hourglass for as long as it lives, and the normal cursor again when it goes, also when
// an error passes through.
class TWaitCursor {
public:
    TWaitCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~TWaitCursor() { QGuiApplication::restoreOverrideCursor(); }
    TWaitCursor(const TWaitCursor&) = delete;
    TWaitCursor& operator=(const TWaitCursor&) = delete;
};

} // namespace corvalet
