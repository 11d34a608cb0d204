// Draws the program's picture as the PNG files of the icon theme: icon_png FOLDER writes
// FOLDER/<N>x<N>/apps/corvalet.png for every size the desktop asks for. Runs without a display.

#include "help/ProgramIcon.h"

#include <QDir>
#include <QGuiApplication>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: icon_png FOLDER\n", stderr);
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    const QString folder = QString::fromLocal8Bit(argv[1]);
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const QString apps = QStringLiteral("%1/%2x%2/apps").arg(folder).arg(size);
        if (!QDir().mkpath(apps) || !corvalet::ProgramPixmap(size).save(apps + "/corvalet.png", "PNG")) {
            std::fprintf(stderr, "icon_png: cannot write %s\n", qPrintable(apps + "/corvalet.png"));
            return 1;
        }
    }
    return 0;
}
