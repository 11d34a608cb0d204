#pragma once

#include <QApplication>

namespace corvalet::test {

// The one application object of the app tests, on Qt's offscreen platform. It lives until the
// test program ends.
inline QApplication& TestApplication() {
    static int argc = 1;
    static char name[] = "app_tests";
    static char* argv[] = {name, nullptr};
    static QApplication* const application = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        return new QApplication(argc, argv);
    }();
    return *application;
}

} // namespace corvalet::test
