#pragma once

#include <QApplication>

namespace corvalet::test {

// The one application object the widget tests need, on the offscreen platform unless the
// environment chose another. Made on first use; it ends when the tests have run, before the
// program's exit handlers run, since Qt's own statics must outlive it.
QApplication& QtTestApplication();

// A first member of a widget test's fixture, so that the application exists before any widget.
struct TQtApplicationFirst {
    TQtApplicationFirst() { QtTestApplication(); }
};

} // namespace corvalet::test
