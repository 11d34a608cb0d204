#pragma once

#include "help/HTMLHelpViewer.h"
#include "help/HelpCommandTranslator.h"
#include "help/HelpManager.h"

namespace corvalet {

// The two help components for the program's run: the translator is installed as the application's
// help handler and the viewer is registered with the manager when this is built; both are removed
// again when it goes, so the start and the end of each run once.
class THelpComponents {
public:
    THelpComponents(THelpManager& manager, THelpDisplay& display, const THelpFocus& focus);
    ~THelpComponents();
    THelpComponents(const THelpComponents&) = delete;
    THelpComponents& operator=(const THelpComponents&) = delete;

    THTMLHelpViewer& Viewer() { return HelpViewer; }

private:
    THelpManager& Manager;
    THelpCommandTranslator Translator;
    THTMLHelpViewer HelpViewer;
};

} // namespace corvalet
