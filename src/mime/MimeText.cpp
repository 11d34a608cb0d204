#include "mime/MimeText.h"

#include "mime/MessageExceptions.h"

namespace corvalet::mime {

namespace {

bool IsBlankOrControl(char c) {
    return static_cast<unsigned char>(c) <= ' ';
}
bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}
char Upper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

template <typename Pred> std::string TrimIf(std::string_view text, Pred strip, bool left) {
    std::size_t first = 0;
    std::size_t last = text.size();
    while (left && first < last && strip(text[first]))
        ++first;
    while (last > first && strip(text[last - 1]))
        --last;
    return std::string(text.substr(first, last - first));
}

} // namespace

std::string Trim(std::string_view text) {
    return TrimIf(text, IsBlankOrControl, true);
}
std::string TrimBlanks(std::string_view text) {
    return TrimIf(text, IsBlank, true);
}
std::string TrimRightBlanks(std::string_view text) {
    return TrimIf(text, IsBlank, false);
}

std::string UpperCase(std::string_view text) {
    std::string result(text);
    for (char& c : result)
        c = Upper(c);
    return result;
}

bool SameText(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (Upper(a[i]) != Upper(b[i]))
            return false;
    return true;
}

bool HoldsLineBreak(std::string_view text) {
    return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

void RequireOneLine(std::string_view text, const std::string& where) {
    if (HoldsLineBreak(text))
        throw ENetUnsafeMessageText(where);
}

void RequireFoldedLine(std::string_view text, const std::string& where) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\0' || c == '\n')
            throw ENetUnsafeMessageText(where);
        if (c != '\r')
            continue;
        std::size_t next = i + 2;
        if (next >= text.size() || text[i + 1] != '\n' || !IsBlank(text[next]))
            throw ENetUnsafeMessageText(where);
        while (next < text.size() && IsBlank(text[next]))
            ++next;
        if (next == text.size() || text[next] == '\r')
            throw ENetUnsafeMessageText(where); // an empty continuation line would end the header
        i = next - 1;
    }
}

} // namespace corvalet::mime
