#include "smtp/EnvelopeAddress.h"

#include "mime/EMailAddressItem.h"
#include "mime/MessageExceptions.h"

namespace corvalet {

namespace {

bool IsLetterOrDigit(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

bool IsHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// Labels of letters, digits and hyphens, none empty, none beginning or ending with a hyphen.
bool IsHostName(std::string_view domain) {
    std::size_t start = 0;
    for (;;) {
        const std::size_t dot = domain.find('.', start);
        const std::string_view label = domain.substr(start, dot == std::string_view::npos ? dot : dot - start);
        if (label.empty() || !IsLetterOrDigit(label.front()) || !IsLetterOrDigit(label.back()))
            return false;
        for (char c : label)
            if (!IsLetterOrDigit(c) && c != '-')
                return false;
        if (dot == std::string_view::npos)
            return true;
        start = dot + 1;
    }
}

bool IsIPv4(std::string_view text) {
    int parts = 0;
    std::size_t start = 0;
    for (;;) {
        const std::size_t dot = text.find('.', start);
        const std::string_view part = text.substr(start, dot == std::string_view::npos ? dot : dot - start);
        if (part.empty() || part.size() > 3)
            return false;
        int value = 0;
        for (char c : part) {
            if (c < '0' || c > '9')
                return false;
            value = value * 10 + (c - '0');
        }
        if (value > 255)
            return false;
        ++parts;
        if (dot == std::string_view::npos)
            return parts == 4;
        start = dot + 1;
    }
}

// Hex groups and colons, with a dotted IPv4 tail allowed; the server checks the address itself.
bool IsIPv6(std::string_view text) {
    const std::size_t lastColon = text.rfind(':');
    if (lastColon == std::string_view::npos || text.find(':') == lastColon)
        return false;
    const std::string_view tail = text.substr(lastColon + 1);
    for (char c : text.substr(0, lastColon))
        if (!IsHexDigit(c) && c != ':')
            return false;
    if (tail.find('.') != std::string_view::npos)
        return IsIPv4(tail);
    for (char c : tail)
        if (!IsHexDigit(c))
            return false;
    return tail.size() <= 4;
}

bool IsAddressLiteral(std::string_view domain) {
    if (domain.size() < 2 || domain.front() != '[' || domain.back() != ']')
        return false;
    const std::string_view inside = domain.substr(1, domain.size() - 2);
    constexpr std::string_view V6Tag = "IPv6:";
    if (inside.size() > V6Tag.size() && inside.substr(0, V6Tag.size()) == V6Tag)
        return IsIPv6(inside.substr(V6Tag.size()));
    return IsIPv4(inside);
}

bool IsPrintable(std::string_view text) {
    for (char c : text)
        if (c < ' ' || c > '~')
            return false;
    return true;
}

} // namespace

std::string EnvelopeMailbox(std::string_view address) {
    const std::size_t at = address.rfind('@');
    const std::string_view local = address.substr(0, at == std::string_view::npos ? 0 : at);
    const std::string_view domain = at == std::string_view::npos ? std::string_view() : address.substr(at + 1);
    if (local.empty() || !IsPrintable(local) || !(IsHostName(domain) || IsAddressLiteral(domain)))
        throw ENetEmailParseError("Invalid e-mail address: " + std::string(address));
    if (IsDotAtom(local))
        return std::string(address);
    std::string mailbox = "\"";
    for (char c : local) {
        if (c == '"' || c == '\\')
            mailbox += '\\';
        mailbox += c;
    }
    return mailbox.append("\"@").append(domain);
}

} // namespace corvalet
