#include "help/HelpSystem.h"

#include "platform/ProgramFolders.h"

namespace corvalet {

THelpSystem::THelpSystem(std::string helpFolder, TUrlOpener openUrl)
    : HelpManager(helpFolder + THelpCatalogue::FileName),
      HelpWindow(std::make_unique<THelpWindow>(std::move(helpFolder), std::move(openUrl))),
      Components(std::make_unique<THelpComponents>(HelpManager, *HelpWindow, Focus)) {}

THelpSystem::~THelpSystem() {
    // The translator and the viewer leave before the window they drive.
    Components.reset();
    HelpWindow.reset();
}

std::string THelpSystem::DefaultHelpFolder() {
    return ProgramFolders().Help;
}

} // namespace corvalet
