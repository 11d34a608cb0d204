#include "smtp/EnvelopeAddress.h"


#include <gtest/gtest.h>

#include "mime/EMailAddressItem.h"
#include "mime/Message.h"
#include "mime/MessageExceptions.h"
#include "smtp/SMTP.h"

namespace corvalet::test {
namespace {

using Lines = std::vector<std::string>;

// The mailbox text, or the message of the refusal.
std::string Written(const std::string& address) {
    try {
        return EnvelopeMailbox(address);
    } catch (const ENetEmailParseError& error) {
        return error.what();
    }
}

TEST(EnvelopeAddressTest, AddressesAreWrittenAsMailboxesOrRefused) {
    const struct {
        std::string Address;
        std::string Mailbox;
    } cases[] = {
        {"bob@x.test", "bob@x.test"},
        {"first.last+tag@mail-1.x.test", "first.last+tag@mail-1.x.test"},
        {"u@[192.0.2.1]", "u@[192.0.2.1]"},
        {"u@[IPv6:2001:db8::1]", "u@[IPv6:2001:db8::1]"},
        // Local parts that are no dot-string go out quoted: a blank or ">" in them stays inside the
        // quotes, so the server reads one mailbox and no parameters.
        {"x> NOTIFY=SUCCESS@b.example", "\"x> NOTIFY=SUCCESS\"@b.example"},
        {"odd name@x.test", "\"odd name\"@x.test"},
        {"a\"b\\c@x.test", "\"a\\\"b\\\\c\"@x.test"},
        {"a..b@x.test", "\"a..b\"@x.test"},
        {".a@x.test", "\".a\"@x.test"},
        {"in@side@x.test", "\"in@side\"@x.test"},
        {"a,b@x.test", "\"a,b\"@x.test"},
        // Refused: no mailbox at all, or nothing that can be written in the command.
        {"admin", "Invalid e-mail address: admin"},
        {"", "Invalid e-mail address: "},
        {"@x.test", "Invalid e-mail address: @x.test"},
        {"a@", "Invalid e-mail address: a@"},
        {"a@x.test>", "Invalid e-mail address: a@x.test>"},
        {"a@x.test NOTIFY=SUCCESS", "Invalid e-mail address: a@x.test NOTIFY=SUCCESS"},
        {"a@x.test> NOTIFY=SUCCESS", "Invalid e-mail address: a@x.test> NOTIFY=SUCCESS"},
        {"a@x..test", "Invalid e-mail address: a@x..test"},
        {"a@x.test.", "Invalid e-mail address: a@x.test."},
        {"a@-x.test", "Invalid e-mail address: a@-x.test"},
        {"a@x_y.test", "Invalid e-mail address: a@x_y.test"},
        {"a@[300.1.1.1]", "Invalid e-mail address: a@[300.1.1.1]"},
        {"a@[1.2.3]", "Invalid e-mail address: a@[1.2.3]"},
        {"a@[IPv6:zz::1]", "Invalid e-mail address: a@[IPv6:zz::1]"},
        {"a@[x:y]", "Invalid e-mail address: a@[x:y]"},
        {"a\tb@x.test", "Invalid e-mail address: a\tb@x.test"},
        {"caf\xC3\xA9@x.test", "Invalid e-mail address: caf\xC3\xA9@x.test"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Written(c.Address), c.Mailbox) << c.Address;
}

// The recipient text of a row, as the mail job puts it into the copy list, through to the
// mailboxes of the RCPT TO lines, or the refusal's message.
struct TOutcome {
    Lines Mailboxes;
    std::string Refusal;
    bool operator==(const TOutcome&) const = default;
};

std::ostream& operator<<(std::ostream& out, const TOutcome& outcome) {
    return out << testing::PrintToString(outcome.Mailboxes) << " / " << outcome.Refusal;
}

TOutcome Envelope(const std::string& recipients) {
    TNetMessage message;
    message.From = {"sender@x.test", ""};
    try {
        SetAddresses(message.CCList, recipients);
        const TNetSMTPEnvelope envelope = WrittenEnvelope(EnvelopeOf(message));
        EXPECT_EQ(envelope.Recipients.size(), message.CCList.Count()) << recipients;
        return {envelope.Recipients, ""};
    } catch (const ENetEmailParseError& error) {
        return {{}, error.what()};
    }
}

TEST(EnvelopeAddressTest, ItemListsWithStrayQuotesAreRefusedOrReachExactlyTheirItems) {
    const struct {
        std::string Text;
        TOutcome Outcome;
    } cases[] = {
        // A quote in the middle of a word would pair with one in the next item and join the two.
        {"qu\"ote@x.test , Bob <qu\"ote@d.test>", {{}, "Invalid e-mail address: qu\"ote@x.test"}},
        {"a\"b@x.test, c\"d@y.test", {{}, "Invalid e-mail address: a\"b@x.test"}},
        {"x\"y, \"z w\" <z@x.test>", {{}, "Invalid e-mail address: x\"y"}},
        {"a@x.test, b\"@x.test", {{}, "Invalid e-mail address: b\"@x.test"}},
        {"\"Smith, Jo <s@x.test>, b@x.test", {{}, "Invalid e-mail address: \"Smith"}},
        {"a@x.test, Bob <b@x.test\"> , c@x.test", {{}, "Invalid e-mail address: Bob <b@x.test\">"}},
        {"Bob <b@x.test>\", c@x.test", {{}, "Invalid e-mail address: Bob <b@x.test>\""}},
        // An unclosed comment or bracket does not swallow what follows either.
        {"a@x.test (note, b@x.test", {{}, "Invalid e-mail address: a@x.test (note"}},
        {"Bob <b@x.test, c@x.test", {{}, "Invalid e-mail address: Bob <b@x.test"}},
        // Two addresses in one item would reach one glued-together address.
        {"a@x.test b@x.test, c@x.test", {{}, "Invalid e-mail address: a@x.test b@x.test"}},
        {"<a@x.test> <b@x.test>", {{}, "Invalid e-mail address: <a@x.test> <b@x.test>"}},
        {"<a@x.test> \"b\"", {{}, "Invalid e-mail address: <a@x.test> \"b\""}},
        // A backslash outside quotes escapes nothing: it does not hide the comma after it.
        {"a\\, b@x.test", {{}, "Invalid e-mail address: a\\"}},
        // Balanced quotes that stand as words keep their commas, in names and in local parts.
        {"\"Doe, John\" <j@x.test>, b@x.test", {{"j@x.test", "b@x.test"}, ""}},
        {"\"A, B\" <a@x.test>,\"C; D\" <c@x.test>", {{"a@x.test", "c@x.test"}, ""}},
        {"Jo\"hn Q\" <j@x.test>, k@x.test", {{"j@x.test", "k@x.test"}, ""}},
        {"\"x> NOTIFY=SUCCESS\"@b.example, c@x.test", {{"\"x> NOTIFY=SUCCESS\"@b.example", "c@x.test"}, ""}},
        {"<\"a, b\"@x.test>", {{"\"a, b\"@x.test"}, ""}},
        {"a@x.test (note, more), b@x.test", {{"a@x.test", "b@x.test"}, ""}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Envelope(c.Text), c.Outcome) << c.Text;
}

} // namespace
} // namespace corvalet::test
