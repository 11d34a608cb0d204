#include "settings/TextValues.h"

#include <limits>

namespace corvalet {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

unsigned char FoldCase(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte >= 'A' && byte <= 'Z' ? static_cast<unsigned char>(byte + ('a' - 'A')) : byte;
}

int DigitValue(char c, int base) {
    int value = -1;
    if (c >= '0' && c <= '9')
        value = c - '0';
    else if (c >= 'a' && c <= 'f')
        value = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F')
        value = c - 'A' + 10;
    return value < base ? value : -1;
}

} // namespace

std::string_view TrimBlanks(std::string_view text) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && IsBlank(text[begin]))
        ++begin;
    while (end > begin && IsBlank(text[end - 1]))
        --end;
    return text.substr(begin, end - begin);
}

std::optional<std::int32_t> ReadInteger(std::string_view text, bool allowHex) {
    int base = 10;
    bool negative = false;
    if (allowHex && text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    } else if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    if (text.empty())
        return std::nullopt;
    const std::int64_t limit = negative ? -std::int64_t{std::numeric_limits<std::int32_t>::min()}
                                        : std::int64_t{std::numeric_limits<std::int32_t>::max()};
    std::int64_t value = 0;
    for (const char c : text) {
        const int digit = DigitValue(c, base);
        if (digit < 0)
            return std::nullopt;
        value = value * base + digit;
        if (value > limit)
            return std::nullopt;
    }
    return static_cast<std::int32_t>(negative ? -value : value);
}

int CompareNoCase(std::string_view left, std::string_view right) {
    const std::size_t common = std::min(left.size(), right.size());
    for (std::size_t i = 0; i < common; ++i) {
        const unsigned char a = FoldCase(left[i]);
        const unsigned char b = FoldCase(right[i]);
        if (a != b)
            return a < b ? -1 : 1;
    }
    return left.size() == right.size() ? 0 : (left.size() < right.size() ? -1 : 1);
}

bool EqualNoCase(std::string_view left, std::string_view right) {
    return left.size() == right.size() && CompareNoCase(left, right) == 0;
}

std::size_t FindNoCase(std::string_view text, std::string_view part) {
    if (part.size() > text.size())
        return std::string_view::npos;
    for (std::size_t at = 0; at + part.size() <= text.size(); ++at)
        if (EqualNoCase(text.substr(at, part.size()), part))
            return at;
    return std::string_view::npos;
}

std::int32_t PortNumberFromText(std::string_view text) {
    constexpr std::int32_t SmtpPort = 25;
    // A pasted " 587" is the port the user meant, not a reason to fall back to 25.
    return ReadInteger(TrimBlanks(text)).value_or(SmtpPort);
}

} // namespace corvalet
