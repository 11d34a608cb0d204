// The address list as the user types it, then as the SMTP client offers it: parsing ends with a
// list or ENetEmailParseError, and nothing from an address reaches the wire as a line of its own
// (a CR or LF in a command would let the rest pose as another command).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "mime/EMailAddressItem.h"
#include "mime/MessageExceptions.h"
#include "net/Exceptions.h"
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

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
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
        ++lines;
        start = end + 2;
    }
    if (lines != envelope.Recipients.size() + 4)
        std::abort();
    return 0;
}
