#include "help/HelpCommands.h"

namespace corvalet {

std::uint32_t HelpDataNumber(const THelpData& data) {
    const auto* number = std::get_if<std::uint32_t>(&data);
    return number ? *number : 0;
}

std::string HelpDataText(const THelpData& data) {
    const auto* text = std::get_if<std::string>(&data);
    return text ? *text : std::string();
}

} // namespace corvalet
