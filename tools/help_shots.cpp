// Saves pictures of the help window on its welcome page and of the About box, for looking at them
// without a display:  help_shots [output folder]   (default: the current folder)
#include "help/AboutBox.h"
#include "help/HelpSystem.h"
#include "help/WindowHelpTable.h"

#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QUrl>

#include <cstdio>

namespace {

bool Save(QWidget& widget, const QDir& folder, const char* name) {
    const QString path = folder.filePath(name);
    const bool saved = widget.grab().save(path, "PNG");
    std::fprintf(saved ? stdout : stderr, "%s %s\n", saved ? "Saved" : "Could not save", qPrintable(path));
    return saved;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const QDir folder(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath());
    if (!folder.exists() && !QDir().mkpath(folder.path())) {
        std::fprintf(stderr, "Cannot create %s\n", qPrintable(folder.path()));
        return 1;
    }

    corvalet::THelpSystem help(corvalet::THelpSystem::DefaultHelpFolder(), [](const QUrl&) {});
    corvalet::ShowWindowHelp(help.Manager());
    QApplication::processEvents();

    corvalet::TAboutBox about(corvalet::TAboutFacts::Current(), [](const QUrl&) {});
    about.show();
    QApplication::processEvents();

    bool saved =
        Save(help.Window(), folder, "help_viewer_welcome.png") && Save(about, folder, "about_box.png");

    // The index at a keyword, as F1 on the recipient list leaves it.
    help.Manager().KeywordHelp("Recipients");
    QApplication::processEvents();
    saved = Save(help.Window(), folder, "help_viewer_recipients.png") && saved;
    return saved ? 0 : 1;
}
