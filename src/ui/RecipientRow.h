#pragma once

#include <string>

namespace corvalet {

// One row of the recipient list, as the list shows it: the address and the time, frequency and
// distribution texts in their stored forms.
struct TRecipientRow {
    std::string Address;
    std::string Time;
    std::string Frequency;
    std::string Distribution;

    bool operator==(const TRecipientRow&) const = default;
};

} // namespace corvalet
