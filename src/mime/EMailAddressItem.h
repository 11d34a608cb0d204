#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace corvalet {

// One mail address: `Address` as typed between angle brackets, `Name` the display name.
class TNetEMailAddressItem {
public:
    TNetEMailAddressItem() = default;
    TNetEMailAddressItem(std::string address, std::string name)
        : Address(std::move(address)), Name(std::move(name)) {}

    std::string Address;
    std::string Name;

    // The address as it stands in a header: quoted local part where needed, angle brackets when the
    // item has a name.
    std::string QuotedAddress() const;
    // The display text: name (quoted where needed) and quoted address.
    std::string Text() const;
    // Parses an address text such as "a@b.test" or "Name <a@b.test>"; throws ENetEmailParseError for
    // an at sign outside the angle brackets.
    void SetText(std::string_view text);
    // The same, telling whether the text was read whole: every quote and comment it opened closed,
    // one address in at most one pair of angle brackets, and nothing but comments after it.
    bool ParseText(std::string_view text);

    bool operator==(const TNetEMailAddressItem&) const = default;
};

// An ordered list of addresses.
class TNetEMailAddressList {
public:
    std::size_t Count() const { return Items.size(); }
    bool Empty() const { return Items.empty(); }
    TNetEMailAddressItem& operator[](std::size_t index) { return Items[index]; }
    const TNetEMailAddressItem& operator[](std::size_t index) const { return Items[index]; }
    TNetEMailAddressItem& Add() { return Items.emplace_back(); }
    void Delete(std::size_t index) { Items.erase(Items.begin() + static_cast<std::ptrdiff_t>(index)); }
    void Clear() { Items.clear(); }
    auto begin() const { return Items.begin(); }
    auto end() const { return Items.end(); }

private:
    std::vector<TNetEMailAddressItem> Items;
};

// Fills `list` from a text of addresses separated by commas (or semicolons); a group name before a
// colon, comments in parentheses and empty items are dropped. A comma inside double quotes or a
// comment belongs to the item only when the quotes or parentheses close, and a quoted stretch that
// holds a comma must stand as a word of its own ("Doe, John" <j@x.test>): a stray quote never joins
// two items. An item that is not read whole (a stray quote, empty angle brackets, two addresses)
// fails with ENetEmailParseError "Invalid e-mail address: " and the item's text. On a parse failure
// the list is left as it was and ENetEmailParseError passes on.
void SetAddresses(TNetEMailAddressList& list, std::string_view text);

// Whether `text` is atoms of atext joined by single dots: a local part that needs no quotes.
bool IsDotAtom(std::string_view text);

} // namespace corvalet
