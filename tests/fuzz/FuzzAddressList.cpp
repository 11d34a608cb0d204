// The address list as the user types it, then as the SMTP client offers it: parsing ends with a
// list or ENetEmailParseError, and nothing from an address reaches the wire as a line of its own
// (a CR or LF in a command would let the rest pose as another command). Every path the client
// writes is one mailbox that reads back as the address it was written from, so no blank or ">"
// of an address can end the path and add parameters to the command; the input itself is also
// given to the envelope writer as an address, whatever the parser would make of it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "mime/EMailAddressItem.h"
#include "mime/MessageExceptions.h"
#include "net/Exceptions.h"
#include "smtp/EnvelopeAddress.h"
#include "smtp/SMTP.h"
#include "smtp/SMTPExceptions.h"
#include "support/ScriptedHandler.h"

using namespace corvalet;

namespace {

// Answers each command line as a willing server would.
void Answer(test::TScriptedHandler& handler) {
    const std::string& written = handler.Written;
    if (written.size() < 2 || written.compare(written.size() - 2, 2, "\r\n") != 0)
        return;
    const std::size_t start = written.rfind("\r\n", written.size() - 3);
    const std::string line = written.substr(start == std::string::npos ? 0 : start + 2);
    handler.Feed(line.rfind("DATA", 0) == 0 ? "354 go on\r\n" : "250 OK\r\n");
}

bool IsAText(char c) {
    return std::string_view("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789!#$%&'*+-/=?^_`{|}~")
               .find(c) != std::string_view::npos;
}

// Reads a mailbox as a server would (a dot-string or a quoted string with quoted pairs, an at sign,
// a domain of letters, digits, hyphens and dots or a bracketed literal) and gives the address it
// stands for; aborts when the text is anything more or less than one mailbox.
std::string ReadMailbox(std::string_view mailbox) {
    std::string local;
    std::size_t at = 0;
    if (!mailbox.empty() && mailbox[0] == '"') {
        for (at = 1; at < mailbox.size() && mailbox[at] != '"'; ++at) {
            if (mailbox[at] == '\\')
                ++at;
            if (at >= mailbox.size() || mailbox[at] < ' ' || mailbox[at] > '~')
                std::abort();
            local += mailbox[at];
        }
        ++at;
    } else {
        while (at < mailbox.size() && (IsAText(mailbox[at]) || mailbox[at] == '.'))
            local += mailbox[at++];
    }
    if (local.empty() || at >= mailbox.size() || mailbox[at] != '@')
        std::abort();
    const std::string_view domain = mailbox.substr(at + 1);
    if (domain.empty())
        std::abort();
    for (char c : domain)
        if (!IsAText(c) && std::string_view(".[]:").find(c) == std::string_view::npos)
            std::abort();
    return local + "@" + std::string(domain);
}

void CheckWritten(const std::string& address) {
    std::string mailbox;
    try {
        mailbox = EnvelopeMailbox(address);
    } catch (const ENetEmailParseError&) {
        return;
    }
    if (ReadMailbox(mailbox) != address)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    CheckWritten(text);
    TNetEMailAddressList list;
    try {
        SetAddresses(list, text);
    } catch (const ENetEmailParseError&) {
        return 0;
    }
    for (const TNetEMailAddressItem& item : list) {
        (void)item.Text();
        (void)item.QuotedAddress();
    }
    if (list.Empty())
        return 0;

    TNetSMTPEnvelope envelope{list[0].Address, {}};
    for (const TNetEMailAddressItem& item : list)
        envelope.Recipients.push_back(item.Address);
    test::TScriptedHandler handler;
    handler.EndWithClose = false;
    handler.OnWritten = Answer;
    TNetSMTP smtp;
    smtp.SetIOHandler(&handler);
    smtp.ReadTimeout = 1;
    try {
        smtp.SendTransaction(envelope, nullptr);
    } catch (const ENetUnsafeCommandText&) {
        if (!handler.Written.empty())
            std::abort(); // refused, but only after something was written
        return 0;
    } catch (const ENetEmailParseError&) {
        if (!handler.Written.empty())
            std::abort();
        return 0;
    }
    // RSET, MAIL FROM, one RCPT TO per recipient, DATA and ".": each a line of its own.
    std::size_t lines = 0;
    std::size_t start = 0;
    while (start < handler.Written.size()) {
        const std::size_t end = handler.Written.find("\r\n", start);
        if (end == std::string::npos)
            std::abort();
        const std::string line = handler.Written.substr(start, end - start);
        if (line.find_first_of(std::string("\r\n\0", 3)) != std::string::npos)
            std::abort();
        for (const std::string_view command : {"MAIL FROM:<", "RCPT TO:<"}) {
            if (line.compare(0, command.size(), command) != 0)
                continue;
            if (line.back() != '>')
                std::abort();
            const std::string address = ReadMailbox(std::string_view(line).substr(command.size(),
                                                                                  line.size() - command.size() - 1));
            const std::size_t index = lines - 2; // after RSET and MAIL FROM
            if (command[0] == 'M' ? address != envelope.From : address != envelope.Recipients.at(index))
                std::abort();
        }
        ++lines;
        start = end + 2;
    }
    if (lines != envelope.Recipients.size() + 4)
        std::abort();
    return 0;
}
