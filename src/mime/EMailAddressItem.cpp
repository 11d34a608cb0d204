#include "mime/EMailAddressItem.h"

#include "mime/MessageExceptions.h"
#include "mime/MimeText.h"

#include <algorithm>

namespace corvalet {

namespace {

constexpr std::string_view AText =
    "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ1234567890!#$%&'*+-/=?_`{}|~";

bool IsAText(char c) {
    return AText.find(c) != std::string_view::npos;
}

// Whether `text` holds nothing but blanks and closed comments.
bool OnlyComments(std::string_view text) {
    int depth = 0;
    for (std::size_t at = 0; at < text.size(); ++at) {
        const char c = text[at];
        if (c == '(')
            ++depth;
        else if (c == ')' && depth > 0)
            --depth;
        else if (c == '\\' && depth > 0)
            ++at;
        else if (depth == 0 && c != ' ' && c != '\t')
            return false;
    }
    return depth == 0;
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

    // False when the text is not read whole: a quote or comment left open has swallowed what
    // followed it, or the text holds more than one address.
    bool Run() {
        for (;;) {
            const std::size_t p = T.find_first_of(Delimiters());
            if (p == std::string::npos)
                break;
            Act(p);
        }
        if (InAddr && !Angle)
            Item.Address += mime::TrimBlanks(mime::Trim(T));
        return Whole && !Quoted && Depth == 0 && Angle == AngleClosed;
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
                // A bare address ends at the first blank after its domain: a word after it would
                // be glued onto it.
                if (At && !mime::Trim(before).empty() && !OnlyComments(rest))
                    Whole = false;
                if (At)
                    Item.Address += mime::Trim(before);
                else
                    Item.Name += before + delimiter;
            }
            T = rest;
            break;
        case '"':
            if (Quoted) {
                if (Angle) {
                    Item.Address += before; // a local part, kept exactly
                } else if (!rest.empty() && rest.front() == '@') {
                    // A quoted local part of a bare address: the word goes to the address.
                    Item.Address += Item.Name.substr(WordStart) + before;
                    Item.Name.resize(WordStart);
                } else {
                    Item.Name += mime::Trim(before);
                }
                Quoted = false;
            } else {
                // A quote that opens in the middle of a word: the text before it belongs to the same
                // word, so it goes where the quoted text will go, and only the quote is consumed.
                WordStart = Item.Name.size();
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
            // Only comments may follow the angle brackets: a word, a quote or a second address
            // after them would be glued onto this one or lost.
            if (!OnlyComments(rest))
                Whole = false;
            AngleClosed = true;
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
    bool AngleClosed = false;
    bool Whole = true;
    int Depth = 0;
    // Where in the name the word of the quote that is open began.
    std::size_t WordStart = 0;
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
    // Local parts that are no dot-atom ("odd name", "a..b", "x>y") are quoted, so that a reader
    // takes the whole text as one address.
    if (!IsDotAtom(local))
        return "<\"" + BackslashQuoted(local) + "\"" + domain + ">";
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

bool IsDotAtom(std::string_view text) {
    if (text.empty() || text.front() == '.' || text.back() == '.' || text.find("..") != std::string_view::npos)
        return false;
    return std::all_of(text.begin(), text.end(), [](char c) { return c == '.' || IsAText(c); });
}

namespace {

// Where the quoted stretch or comment that opens at `open` closes (the position of its closing
// character), or npos when it never closes.
std::size_t ClosingOf(std::string_view text, std::size_t open) {
    int depth = 0;
    for (std::size_t at = open + 1; at < text.size(); ++at) {
        const char c = text[at];
        if (c == '\\')
            ++at;
        else if (text[open] == '"' && c == '"')
            return at;
        else if (text[open] == '(' && c == '(')
            ++depth;
        else if (text[open] == '(' && c == ')' && depth-- == 0)
            return at;
    }
    return std::string_view::npos;
}

// Whether the quoted stretch from `open` to `close` stands as a word of its own: a quote in the
// middle of a word is a stray one, and must not carry a comma into the next item.
bool IsQuotedWord(std::string_view text, std::size_t open, std::size_t close) {
    constexpr std::string_view Before = " \t<,;:.)";
    constexpr std::string_view After = " \t>,;:.@(<";
    return (open == 0 || Before.find(text[open - 1]) != std::string_view::npos) &&
           (close + 1 == text.size() || After.find(text[close + 1]) != std::string_view::npos);
}

// How far the quoted stretch or comment at `at` belongs to one item: through its closing character
// when it closes and, for a quote that holds a separator, stands as a word; else the opening
// character alone, which the item's parser then refuses.
std::size_t ProtectedEnd(std::string_view text, std::size_t at) {
    const std::size_t close = ClosingOf(text, at);
    if (close == std::string_view::npos)
        return at + 1;
    if (text[at] == '"' && text.substr(at, close - at).find_first_of(",;:") != std::string_view::npos &&
        !IsQuotedWord(text, at, close))
        return at + 1;
    return close + 1;
}

} // namespace

void SetAddresses(TNetEMailAddressList& list, std::string_view text) {
    TNetEMailAddressList parsed;
    // Empty items (between two commas, after the last) are left out. An item that is not read whole
    // is refused: it would go out as "RCPT TO:<>", or a stray quote would have swallowed the rest of
    // the item or the items after it, and fewer people would get the message than the text lists.
    const auto addParsed = [&](std::string_view itemText) {
        if (mime::Trim(itemText).empty())
            return;
        TNetEMailAddressItem item;
        const bool whole = item.ParseText(TrimLeft(itemText));
        if (!whole || item.Address.empty() || item.Address.find('"') != std::string::npos)
            throw ENetEmailParseError("Invalid e-mail address: " + mime::Trim(itemText));
        parsed.Add() = item;
    };
    std::string collected;
    for (std::size_t at = 0; at < text.size();) {
        const char c = text[at];
        if (c == '"' || c == '(') {
            const std::size_t end = ProtectedEnd(text, at);
            collected += text.substr(at, end - at);
            at = end;
            continue;
        }
        if (c == ',' || (c == ';' && !mime::Trim(collected).empty())) {
            addParsed(collected);
            collected.clear();
        } else if (c == ':') {
            collected.clear(); // a group name
        } else if (c != ';') {
            collected += c;
        }
        ++at;
    }
    addParsed(collected);
    list = parsed;
}

} // namespace corvalet
