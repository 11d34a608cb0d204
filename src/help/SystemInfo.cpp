#include "help/SystemInfo.h"

#include "platform/TextFile.h"

#include <array>
#include <string_view>

namespace corvalet {

namespace {

std::string_view Trim(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    const auto last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

std::string SqueezeBlanks(std::string_view text) {
    std::string result;
    for (char c : text) {
        const bool blank = c == ' ' || c == '\t';
        if (blank && (result.empty() || result.back() == ' '))
            continue;
        result += blank ? ' ' : c;
    }
    if (!result.empty() && result.back() == ' ')
        result.pop_back();
    return result;
}

} // namespace

std::string FormatMemoryText(std::uint64_t bytes) {
    // Digits in groups of three, so that millions of kilobytes read at a glance: "19 917 276 KB".
    const std::string digits = std::to_string(bytes / 1024);
    std::string text;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            text += ' ';
        text += digits[i];
    }
    return text + " KB";
}

std::string ProcessorNameFromCpuInfo(const std::string& cpuInfo) {
    // Different architectures name the processor under different keys; the first is x86's.
    constexpr std::array<std::string_view, 4> keys{"model name", "Processor", "cpu model", "Hardware"};
    const auto lines = SplitLines(cpuInfo);
    for (const auto key : keys) {
        for (const auto& line : lines) {
            const auto colon = line.find(':');
            if (colon == std::string::npos || Trim(std::string_view(line).substr(0, colon)) != key)
                continue;
            std::string value = SqueezeBlanks(std::string_view(line).substr(colon + 1));
            if (!value.empty())
                return value;
        }
    }
    return {};
}

} // namespace corvalet
