#pragma once

#include <string>
#include <vector>

namespace corvalet {

// One numeric protocol reply: its code and the text of each of its lines. The code is held both as
// read (TextCode) and as a number (NumericCode, 0 when empty or not numeric); setting one sets
// the other.
class TNetRFCReply {
public:
    int NumericCode() const { return Numeric; }
    const std::string& TextCode() const { return CodeText; }
    void SetNumericCode(int code);
    void SetTextCode(const std::string& code);

    void Clear();
    // Reads the reply from its lines: the code from the first line; each line's text after its
    // code and separator, or, for a line that does not start with the code, the line without its
    // leading blanks and control characters.
    void ParseReply(const std::vector<std::string>& lines);

    std::vector<std::string> Text;

private:
    int Numeric = 0;
    std::string CodeText;
};

// Whether `line` ends a multi-line reply whose first line started with `code` and "-": it is
// shorter than four characters or starts with the code and a blank (in any letter case).
bool EndsMultiLineReply(const std::string& code, const std::string& line);

} // namespace corvalet
