#include "net/RFCReply.h"

#include <charconv>

#include "net/TextHelpers.h"

namespace corvalet {

namespace {

// The decimal value of the whole text, or 0 when it is not a number that fits.
int DecimalOrZero(const std::string& text) {
    const char* first = text.data();
    const char* last = first + text.size();
    if (first != last && *first == '+')
        ++first;
    int value = 0;
    const auto [end, error] = std::from_chars(first, last, value);
    return error == std::errc() && end == last ? value : 0;
}

std::string FromFifthCharacter(const std::string& line) {
    return line.size() > 4 ? line.substr(4) : std::string();
}

} // namespace

void TNetRFCReply::SetNumericCode(int code) {
    Numeric = code;
    if (code > 0)
        CodeText = std::to_string(code);
}

void TNetRFCReply::SetTextCode(const std::string& code) {
    CodeText = code;
    if (!code.empty())
        Numeric = DecimalOrZero(code);
}

void TNetRFCReply::Clear() {
    Numeric = 0;
    CodeText.clear();
    Text.clear();
}

void TNetRFCReply::ParseReply(const std::vector<std::string>& lines) {
    Clear();
    if (lines.empty())
        return;
    const std::string& first = lines.front();
    std::string code = TrimControl(first.substr(0, 4));
    if (code.size() == 4 && code[3] == '-')
        code.resize(3);
    SetTextCode(code);
    Text.push_back(FromFifthCharacter(first));
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        if (SameTextIgnoringCase(line.substr(0, 3), code))
            Text.push_back(FromFifthCharacter(line));
        else
            Text.push_back(TrimControlLeft(line));
    }
}

bool EndsMultiLineReply(const std::string& code, const std::string& line) {
    return line.size() < 4 || SameTextIgnoringCase(line.substr(0, 4), code + " ");
}

} // namespace corvalet
