#include "help/HelpComponents.h"

namespace corvalet {

THelpComponents::THelpComponents(THelpManager& manager, THelpDisplay& display, const THelpFocus& focus)
    : Manager(manager), Translator(display), HelpViewer(focus) {
    Manager.SetHelpHandler([this](std::uint32_t command, const THelpData& data) {
        return Translator.HelpCommand(command, data);
    });
    HelpViewer.RegisterWith(Manager);
}

THelpComponents::~THelpComponents() {
    Manager.SetHelpHandler({});
    HelpViewer.Unregister();
}

} // namespace corvalet
