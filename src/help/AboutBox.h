#pragma once

#include "help/HelpWindow.h"
#include "help/SystemInfo.h"

#include <QDialog>

#include <string>

class QWidget;

namespace corvalet {

// What the About box says about the program and the machine.
struct TAboutFacts {
    std::string Maker = "The Corvalet Project";
    std::string Product = "Corvalet";
    std::string LegalNotice = "Copyright (C) 2026";
    std::string Company = "The Corvalet Project";
    std::string Version;         // shown after "Build("
    std::string OperatingSystem; // names the memory caption: "Memory Available to <name>:"
    TSystemInfo System;
    std::string HomePage;
    // Where the settings and the default log are kept (beside the program, or the user's
    // configuration folder).
    std::string SettingsFolder;

    // The facts of this build on this machine.
    static TAboutFacts Current();
};

// The About box: fixed size, modal, with one "OK" button that both Enter and Escape press.
class TAboutBox : public QDialog {
    Q_OBJECT
public:
    explicit TAboutBox(const TAboutFacts& facts, TUrlOpener openUrl = DesktopUrlOpener(),
                       QWidget* parent = nullptr);

private:
    TUrlOpener OpenUrl;
};

// Shows the About box modally over `parent` and frees it when it closes.
void ShowAboutBox(QWidget* parent);

} // namespace corvalet
