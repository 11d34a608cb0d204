#include "ui/PortNumberText.h"

#include <charconv>

namespace corvalet {

std::int32_t PortNumberFromText(const std::string& text) {
    std::int32_t value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value, 10);
    if (text.empty() || error != std::errc() || stop != end)
        return 25;
    return value;
}

} // namespace corvalet
