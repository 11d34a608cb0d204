#pragma once

#include <QApplication>

namespace corvalet {

class TProgramShell;

// The application object. Every error that escapes an event handler, a menu command or a tick
// reaches the shell's error handler here, and the program goes on.
class TCorvaletApplication final : public QApplication {
public:
    TCorvaletApplication(int& argc, char** argv);

    void SetErrorHandler(TProgramShell* shell) { Shell = shell; }
    bool notify(QObject* receiver, QEvent* event) override;

private:
    TProgramShell* Shell = nullptr;
};

} // namespace corvalet
