#include "help/HelpCommandTranslator.h"

namespace corvalet {

THTMLHelpCall TranslateHelpCommand(std::uint32_t command, const THelpData& data) {
    using enum EHTMLHelpCommand;
    switch (static_cast<EClassicHelpCommand>(command)) {
    case EClassicHelpCommand::Context:
    case EClassicHelpCommand::ContextPopup:
        return {DisplayContext, data};
    case EClassicHelpCommand::Quit:
        return {CloseAll, std::uint32_t{0}};
    case EClassicHelpCommand::Index:
        return {DisplayTableOfContents, std::uint32_t{0}};
    case EClassicHelpCommand::Finder:
        return {DisplayTopic, data};
    case EClassicHelpCommand::Key:
        return {DisplayIndex, data};
    default:
        // Anything else, the Help button's partial key and the pop-up position included,
        // shows the default topic.
        return {DisplayTopic, std::uint32_t{0}};
    }
}

bool THelpCommandTranslator::HelpCommand(std::uint32_t command, const THelpData& data) {
    Display.Execute(TranslateHelpCommand(command, data));
    return true;
}

} // namespace corvalet
