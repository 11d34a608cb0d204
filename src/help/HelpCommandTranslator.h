#pragma once

#include "help/HelpCommands.h"

#include <cstdint>

namespace corvalet {

// The command table: which display command a classic help command becomes.
THTMLHelpCall TranslateHelpCommand(std::uint32_t command, const THelpData& data);

// The application's help handler: turns every classic help command into one call of the help
// display, and always reports the request as handled.
class THelpCommandTranslator {
public:
    explicit THelpCommandTranslator(THelpDisplay& display) : Display(display) {}

    bool HelpCommand(std::uint32_t command, const THelpData& data);

private:
    THelpDisplay& Display;
};

} // namespace corvalet
