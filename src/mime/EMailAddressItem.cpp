#include "mime/EMailAddressItem.h"

#include "mime/MessageExceptions.h"
#include "mime/MimeText.h"

namespace corvalet {

namespace {

constexpr std::string_view AText =
    "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ1234567890!#$%&'*+-/=?_`{}|~";

bool IsAText(char c) {
    return AText.find(c) != std::string_view::npos;
}

std::string BackslashQuoted(std::string_view text) {
    std::string result;
    for (char c : text) {
        if (c == '\\' || c == '"')
            result += '\\';
        result += c;
    }
    return result;
}

// The item parser: walks the text from delimiter to delimiter, the set of delimiters depending on
// where it stands (inside a comment, inside quotes, in the address after its at sign, ...).
class TAddressParser {
public:
    TAddressParser(TNetEMailAddressItem& item, std::string text) : Item(item), T(std::move(text)) {}

    // False when the text leaves a quote open: the quoted text has swallowed what followed it.
    bool Run() {
        for (;;) {
            const std::size_t p = T.find_first_of(Delimiters());
            if (p == std::string::npos)
                break;
            Act(p);
        }
        if (InAddr && !Angle)
            Item.Address += mime::TrimBlanks(mime::Trim(T));
        return !Quoted;
    }

private:
    std::string_view Delimiters() const {
        if (Depth > 0)
            return "()\\";
        if (Quoted)
            return "\"\\";
        if (At && Angle)
            return ".>(";
        if (At)
            return ".( ";
        if (InAddr)
            return "\"(@>";
        return "(\"< @\t";
    }

    std::string& NameOrAddress(bool address) { return address ? Item.Address : Item.Name; }

    void Act(std::size_t p) {
        const char delimiter = T[p];
        const std::string before = T.substr(0, p);
        const std::string rest = T.substr(p + 1);
        switch (delimiter) {
        case ' ':
        case '\t':
            if (p > 0) {
                if (At)
                    Item.Address += mime::Trim(before);
                else
                    Item.Name += before + delimiter;
            }
            T = rest;
            break;
        case '"':
            if (Quoted) {
                NameOrAddress(Angle) += mime::Trim(before);
                Quoted = false;
            } else {
                // A quote that opens in the middle of a word: the text before it belongs to the same
                // word, so it goes where the quoted text will go, and only the quote is consumed.
                NameOrAddress(Angle) += before;
                Quoted = true;
            }
            T = rest;
            break;
        case '(':
            if (p > 0) {
                if (InAddr)
                    Item.Address += mime::Trim(before);
                else if (Depth == 0)
                    Item.Name += before;
            }
            T = rest;
            ++Depth;
            break;
        case ')':
            T = rest;
            --Depth;
            break;
        case '.':
            if (Angle) {
                Item.Address += mime::TrimBlanks(mime::Trim(before)) + ".";
                T = rest.substr(std::min(rest.find_first_not_of(" \t"), rest.size()));
            } else {
                Item.Address += before + ".";
                T = rest;
            }
            break;
        case '<':
            Item.Name = mime::TrimBlanks(mime::Trim(Item.Name + before));
            Angle = true;
            InAddr = true;
            T = rest;
            break;
        case '>':
            InAddr = false;
            At = false;
            Item.Address += mime::TrimBlanks(mime::Trim(before));
            T = rest;
            break;
        case '@':
            At = true;
            if (!InAddr && Angle)
                throw ENetEmailParseError();
            InAddr = true;
            Item.Address += before + "@";
            T = rest;
            break;
        case '\\':
            // A backslash at the very end escapes nothing; the text before it stays.
            if (Quoted)
                NameOrAddress(InAddr) += rest.empty() ? before : before + rest[0];
            T = rest.empty() ? rest : rest.substr(1);
            break;
        }
    }

    TNetEMailAddressItem& Item;
    std::string T;
    bool Quoted = false;
    bool Angle = false;
    bool InAddr = false;
    bool At = false;
    int Depth = 0;
};

std::string TrimLeft(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t");
    return first == std::string_view::npos ? std::string() : std::string(text.substr(first));
}

} // namespace

std::string TNetEMailAddressItem::QuotedAddress() const {
    if (Address.empty())
        return Name.empty() ? std::string() : "<>";
    // An address without an at sign is all local part, so that it still shows (and is not dropped
    // from a list as empty).
    const std::size_t at = Address.rfind('@');
    const std::string local = at == std::string::npos ? Address : Address.substr(0, at);
    const std::string domain = at == std::string::npos ? std::string() : Address.substr(at);
    for (char c : local) {
        if (IsAText(c))
            continue;
        if (c != '.')
            return "<\"" + BackslashQuoted(local) + "\"" + domain + ">";
        break;
    }
    return Name.empty() ? local + domain : "<" + local + domain + ">";
}

std::string TNetEMailAddressItem::Text() const {
    if (Name.empty() || Name == mime::UpperCase(Address))
        return QuotedAddress();
    for (char c : Name)
        if (c != ' ' && !IsAText(c))
            return std::string(1, '"').append(BackslashQuoted(Name)).append("\" ").append(QuotedAddress());
    return Name + " " + QuotedAddress();
}

void TNetEMailAddressItem::SetText(std::string_view text) {
    ParseText(text);
}

bool TNetEMailAddressItem::ParseText(std::string_view text) {
    Address.clear();
    Name.clear();
    std::string trimmed = mime::Trim(text);
    if (trimmed.empty())
        return true;
    if (trimmed.find_first_of("(\"< @\t") == std::string::npos) {
        Address = std::move(trimmed);
        return true;
    }
    return TAddressParser(*this, std::move(trimmed)).Run();
}

void SetAddresses(TNetEMailAddressList& list, std::string_view text) {
    TNetEMailAddressList parsed;
    // Empty items (between two commas, after the last) are left out. An item that does not give an
    // address is refused: it would go out as "RCPT TO:<>", or a stray quote would have swallowed the
    // rest of the item or the items after it.
    const auto addParsed = [&](const std::string& itemText) {
        if (mime::Trim(itemText).empty())
            return;
        TNetEMailAddressItem item;
        const bool closed = item.ParseText(TrimLeft(itemText));
        if (!closed || item.Address.empty() || item.Address.find('"') != std::string::npos)
            throw ENetEmailParseError("Invalid e-mail address: " + mime::Trim(itemText));
        parsed.Add() = item;
    };
    if (text.find_first_of(":;(\", \t") == std::string_view::npos) {
        addParsed(std::string(text));
        list = parsed;
        return;
    }
    std::string collected;
    std::string t(text);
    int nesting = 0;
    bool quoted = false;
    for (;;) {
        const std::string_view delimiters = nesting > 0 ? "(\\)" : quoted ? "\"\\" : ":;(\", \t";
        const std::size_t p = t.find_first_of(delimiters);
        if (p == std::string::npos)
            break;
        const char delimiter = t[p];
        std::size_t consumed = p + 1;
        switch (delimiter) {
        case ' ':
        case '\t':
        case '"':
        case '(':
        case ')':
            collected += t.substr(0, p + 1);
            if (delimiter == '"')
                quoted = !quoted;
            else if (delimiter == '(')
                ++nesting;
            else if (delimiter == ')')
                --nesting;
            break;
        case ',':
            collected += t.substr(0, p);
            addParsed(collected);
            collected.clear();
            break;
        case ':':
            collected.clear(); // a group name
            break;
        case ';':
            collected += t.substr(0, p);
            if (!mime::Trim(collected).empty()) {
                addParsed(collected);
                collected.clear();
            }
            break;
        case '\\':
            consumed = std::min(p + 2, t.size());
            collected += t.substr(0, consumed);
            break;
        }
        t.erase(0, consumed);
    }
    addParsed(collected + t);
    list = parsed;
}

} // namespace corvalet
