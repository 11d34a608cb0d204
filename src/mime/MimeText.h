#pragma once

#include <string>
#include <string_view>

// Small byte-string helpers shared by the message writer's parts. Text is UTF-8; only ASCII letters
// fold case, and blanks are ASCII.
namespace corvalet::mime {

// Removes blanks and control characters (every byte up to the space) at both ends.
std::string Trim(std::string_view text);
// Removes spaces and TABs at both ends.
std::string TrimBlanks(std::string_view text);
// Removes spaces and TABs at the end.
std::string TrimRightBlanks(std::string_view text);
std::string UpperCase(std::string_view text);
bool SameText(std::string_view a, std::string_view b);
// True when the text holds CR, LF or NUL: such a text cannot stand inside one header line.
bool HoldsLineBreak(std::string_view text);
// Throws ENetUnsafeMessageText naming `where` when the text holds CR, LF or NUL.
void RequireOneLine(std::string_view text, const std::string& where);
// The same for a header value that may be folded already: a CR LF followed by blanks and more text
// is allowed, any other CR, LF or NUL is not.
void RequireFoldedLine(std::string_view text, const std::string& where);

} // namespace corvalet::mime
