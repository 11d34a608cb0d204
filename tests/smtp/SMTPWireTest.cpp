// The SMTP client against servers that do the unusual below the commands: certificates with
// wildcards, a new TLS handshake or new keys in the middle of a mailing, the end of TLS, and
// replies that trickle in.
#include "smtp/SMTP.h"

#include <atomic>
#include <chrono>
#include <thread>

#include <gtest/gtest.h>

#include "net/Stack.h"
#include "support/LoopbackServer.h"
#include "support/TLSSMTPServer.h"

namespace corvalet::test {
namespace {

using Lines = std::vector<std::string>;

class SMTPWireTest : public ::testing::Test {
protected:
    SMTPWireTest() {
        Smtp.ReadTimeout = 5000;
        // The only names in these tests; nothing is ever looked up.
        TheStack()->Resolver = [](const std::string& name, std::uint32_t& address) {
            if (!name.ends_with(".example.test"))
                return SocketErrorCode::HostNotFound;
            address = LoopbackAddress;
            return 0;
        };
    }

    // A whole mailing of a short message over TLS to the server; the message text of what it
    // raised, or "" when it went through.
    std::string Mailing(const TTLSSMTPServer& server, const std::string& host = "127.0.0.1") {
        Smtp.Host = host;
        Smtp.Port = server.Port();
        Smtp.Security = TNetSMTPSecurity::ssTLS;
        Smtp.TrustFile = server.AuthorityFile();
        try {
            Smtp.Connect();
            Smtp.SendTransaction({"sender@x.test", {"to@x.test"}}, [&] { Smtp.WriteText(Message); });
            Smtp.Disconnect();
            return "";
        } catch (const std::exception& error) {
            if (Smtp.IsConnected())
                Smtp.Disconnect();
            return error.what();
        }
    }

    static bool SawMessage(const Lines& lines) {
        return std::find(lines.begin(), lines.end(), "Subject: wire") != lines.end() &&
               std::find(lines.begin(), lines.end(), ".") != lines.end();
    }

    TNetSMTP Smtp;
    std::string Message = "Subject: wire\r\n\r\nHello.\r\n";
};

// Only a whole leftmost label may be a wildcard; a name that cannot be sent as the server name
// ends the mailing before the handshake.
TEST_F(SMTPWireTest, CertificateNameWithAWildcard) {
    const std::string label(60, 'a');
    const std::string tooLong = label + "." + label + "." + label + "." + label + "." + label + ".example.test";
    const struct {
        const char* Name;
        std::string Host;
        std::string Expected;
    } cases[] = {
        {"*.example.test", "mail.example.test", ""},
        {"m*.example.test", "mail.example.test",
         "The certificate of mail.example.test is not trusted: hostname mismatch"},
        {"*ail.example.test", "mail.example.test",
         "The certificate of mail.example.test is not trusted: hostname mismatch"},
        {"*.example.test", tooLong,
         "TLS handshake with " + tooLong + " failed: the server name cannot be sent (ssl3 ext invalid servername)"},
    };
    for (const auto& c : cases) {
        TTLSSMTPOptions options;
        options.CertificateNames = {c.Name};
        TTLSSMTPServer server(options);
        EXPECT_EQ(Mailing(server, c.Host), c.Expected) << c.Name;
        ASSERT_TRUE(server.WaitForEnd()) << c.Name;
        EXPECT_EQ(SawMessage(server.Lines()), c.Expected.empty()) << c.Name;
    }
}

// A server may ask for a new handshake (TLS 1.2) or new keys (TLS 1.3) at any time: the client
// serves it, also while it writes the message, and the mailing goes through.
TEST_F(SMTPWireTest, NewHandshakeOrNewKeysInTheMiddleOfAMailing) {
    const struct {
        const char* Name;
        bool TLS12Only;
        const char* Before;
    } cases[] = {
        {"TLS 1.2, before the go-ahead for the message", true, "DATA"},
        {"TLS 1.2, before the reply to the message", true, "."},
        {"TLS 1.2, before the reply to MAIL FROM", true, "MAIL FROM"},
        {"TLS 1.3 key update, before the go-ahead for the message", false, "DATA"},
    };
    for (const auto& c : cases) {
        // Enough of a message to go out in several records while the handshake goes on.
        Message = "Subject: wire\r\n\r\n";
        for (int i = 0; i < 2000; ++i)
            Message += "Line " + std::to_string(i) + " of a message that fills a few TLS records.\r\n";
        TTLSSMTPOptions options;
        options.TLS12Only = c.TLS12Only;
        options.NewKeysBefore = c.Before;
        TTLSSMTPServer server(options);
        EXPECT_EQ(Mailing(server), "") << c.Name;
        ASSERT_TRUE(server.WaitForEnd()) << c.Name;
        EXPECT_EQ(server.Failure(), "") << c.Name;
        const Lines lines = server.Lines();
        EXPECT_TRUE(SawMessage(lines)) << c.Name;
        EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                                [](const std::string& line) { return line.rfind("Line ", 0) == 0; }),
                  2000)
            << c.Name;
        if (c.TLS12Only) {
            EXPECT_TRUE(server.NewHandshakeDone()) << c.Name;
        }
    }
}

TEST_F(SMTPWireTest, TLSEndsWithCloseNotifyAfterQuit) {
    TTLSSMTPServer server;
    EXPECT_EQ(Mailing(server), "");
    ASSERT_TRUE(server.WaitForEnd());
    EXPECT_EQ(server.Failure(), "");
    ASSERT_FALSE(server.Lines().empty());
    EXPECT_EQ(server.Lines().back(), "QUIT");
    EXPECT_TRUE(server.SawCloseNotify());
}

// A reply whose bytes come one at a time never ends on its own; the final reply gets the longer
// wait, and no more.
TEST_F(SMTPWireTest, ReplyToTheMessageTrickledInEndsAtItsTimeOut) {
    std::atomic<bool> stop{false};
    TLoopbackServer server([&stop](TLoopbackPeer& peer) {
        peer.Send("220 ready\r\n");
        std::string line;
        bool data = false;
        while (peer.ReadLine(line)) {
            if (data && line != ".")
                continue;
            if (data) {
                // Long enough to outlast both time-outs many times over, and still bounded.
                const std::string reply = "250 Queued after a very long think\r\n";
                for (int i = 0; i < 600 && !stop; ++i) {
                    peer.Send(std::string(1, reply[static_cast<std::size_t>(i) % (reply.size() - 2)]));
                    std::this_thread::sleep_for(std::chrono::milliseconds(5));
                }
                peer.Send("\r\n");
                data = false;
                continue;
            }
            data = line == "DATA";
            peer.Send(data ? "354 go on\r\n" : line == "QUIT" ? "221 bye\r\n" : "250 ok\r\n");
        }
    });
    Smtp.Host = "127.0.0.1";
    Smtp.Port = server.Port();
    Smtp.ReadTimeout = 300;
    Smtp.DataEndTimeout = 600;
    Smtp.Connect();
    std::string outcome = "ok";
    try {
        Smtp.SendTransaction({"sender@x.test", {"to@x.test"}}, [&] { Smtp.WriteText(Message); });
    } catch (const std::exception& error) {
        outcome = error.what();
    }
    stop = true;
    EXPECT_EQ(outcome, "Read Timeout");
    EXPECT_EQ(Smtp.ReadTimeout, 300);
    Smtp.Disconnect();
}

} // namespace
} // namespace corvalet::test
