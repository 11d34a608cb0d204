#include "ui/CorvaletApplication.h"

#include "ui/ProgramShell.h"

#include <cstdio>

namespace corvalet {

TCorvaletApplication::TCorvaletApplication(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QStringLiteral("Corvalet"));
    setApplicationDisplayName(QStringLiteral("Corvalet"));
    setQuitOnLastWindowClosed(false);
}

bool TCorvaletApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        if (Shell)
            Shell->HandleApplicationException(error);
        else
            std::fprintf(stderr, "Corvalet: %s\n", error.what());
    } catch (...) {
        if (Shell)
            Shell->HandleUnknownException();
    }
    return false;
}

} // namespace corvalet
