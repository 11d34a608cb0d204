#pragma once

#include "help/ContextHelp.h"
#include "help/HelpComponents.h"
#include "help/HelpManager.h"
#include "help/HelpWindow.h"

#include <memory>
#include <string>

class QWidget;

namespace corvalet {

// Help for the program's run: the manager, the help window, and the translator and viewer between
// them. Built at start before the configuration window, destroyed at exit after it.
class THelpSystem {
public:
    // `helpFolder` holds the help pages; by default the program's help folder (beside the
    // executable, or the installed data folder).
    explicit THelpSystem(std::string helpFolder = DefaultHelpFolder(),
                         TUrlOpener openUrl = DesktopUrlOpener());
    ~THelpSystem();
    THelpSystem(const THelpSystem&) = delete;
    THelpSystem& operator=(const THelpSystem&) = delete;

    static std::string DefaultHelpFolder();

    THelpManager& Manager() { return HelpManager; }
    THelpWindow& Window() { return *HelpWindow; }

    // F1 and the context-help button for a top-level window (see InstallContextHelp).
    void InstallOn(QWidget& window) { InstallContextHelp(window, HelpManager); }

private:
    THelpManager HelpManager;
    TWidgetHelpFocus Focus;
    std::unique_ptr<THelpWindow> HelpWindow;
    std::unique_ptr<THelpComponents> Components;
};

} // namespace corvalet
