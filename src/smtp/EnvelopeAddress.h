#pragma once

#include <string>
#include <string_view>

namespace corvalet {

// The text that stands between the angle brackets of MAIL FROM and RCPT TO for an address as the
// address parser gives it (the local part without its quotes, an at sign, the domain): the local
// part as it stands when it is a dot-string, else quoted with a backslash before each quote and
// backslash; the domain a host name or an address literal ([192.0.2.1], [IPv6:...]). Anything
// else (no at sign, an empty local part, a byte outside printable ASCII, a domain that is neither)
// fails with ENetEmailParseError "Invalid e-mail address: " and the address: written as it stands,
// a blank or ">" in it would end the path and let the rest pose as parameters of the command.
std::string EnvelopeMailbox(std::string_view address);

} // namespace corvalet
