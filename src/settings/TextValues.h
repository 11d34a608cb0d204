#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace corvalet {

// Small text rules the settings file and the recipient texts share.

// The text without leading and trailing blanks: spaces, tabs and line breaks. Other control bytes
// belong to the text.
std::string_view TrimBlanks(std::string_view text);

// Reads a whole text as a 32-bit signed decimal integer with an optional sign. With `allowHex`, a
// text of more than two characters that begins "0x" or "0X" is read as hexadecimal instead. Returns
// nothing for anything else, and for a number outside the 32-bit range (it must not wrap into some
// other value; hexadecimal too, so "0xFFFFFFFF" is no -1).
std::optional<std::int32_t> ReadInteger(std::string_view text, bool allowHex = false);

// A port field read as a decimal number, blanks around it left out; 25, the SMTP port, when it does
// not read as one (empty,
// not a number, too large for 32 bits). No range check here: "70000" is 70000, and the connection
// refuses it with its reason.
std::int32_t PortNumberFromText(std::string_view text);

// Letter case is ignored for A to Z only; every other byte compares as itself.
int CompareNoCase(std::string_view left, std::string_view right);
bool EqualNoCase(std::string_view left, std::string_view right);
// Position of the first occurrence of `part` in `text`, ignoring the case of A to Z.
std::size_t FindNoCase(std::string_view text, std::string_view part);

} // namespace corvalet
