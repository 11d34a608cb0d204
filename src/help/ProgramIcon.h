#pragma once

#include <QIcon>
#include <QPixmap>

namespace corvalet {

// The program's picture: a letter with a clock on it, drawn at the size asked for.
QPixmap ProgramPixmap(int size);
// The picture at the sizes a window, a tray and the About box use.
QIcon ProgramIcon();

} // namespace corvalet
