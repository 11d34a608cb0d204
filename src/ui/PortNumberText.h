#pragma once

#include <cstdint>
#include <string>

namespace corvalet {

// The port field read as a decimal number; 25, the SMTP port, when it does not read as one (empty,
// not a number, too large for 32 bits). No range check: "70000" is 70000.
std::int32_t PortNumberFromText(const std::string& text);

} // namespace corvalet
