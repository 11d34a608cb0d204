#pragma once

#include <string>

namespace corvalet {

// Protocol text helpers: "blanks" are the characters with codes 0 to 32, as line protocols treat
// them; letter case is ASCII only.

inline bool IsBlankOrControl(char c) {
    return static_cast<unsigned char>(c) <= 32;
}

inline std::string TrimControlLeft(const std::string& text) {
    std::size_t start = 0;
    while (start < text.size() && IsBlankOrControl(text[start]))
        ++start;
    return text.substr(start);
}

inline std::string TrimControl(const std::string& text) {
    std::size_t end = text.size();
    while (end > 0 && IsBlankOrControl(text[end - 1]))
        --end;
    return TrimControlLeft(text.substr(0, end));
}

inline char AsciiUpper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

inline bool SameTextIgnoringCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (AsciiUpper(a[i]) != AsciiUpper(b[i]))
            return false;
    }
    return true;
}

} // namespace corvalet
