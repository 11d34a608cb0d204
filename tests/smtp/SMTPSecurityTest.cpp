// The SMTP client over STARTTLS and TLS, with and without a login, against a real SMTP server
// (aiosmtpd on 127.0.0.1) whose certificate comes from an authority made for the test.
#include "smtp/SMTP.h"

#include <gtest/gtest.h>

#include "net/TLSExceptions.h"
#include "smtp/SMTPExceptions.h"
#include "support/AiosmtpdServer.h"
#include "support/LoopbackServer.h"
#include "support/PythonCheck.h"
#include "support/TempDir.h"

namespace corvalet::test {
namespace {

using Lines = std::vector<std::string>;

constexpr const char* Password = "s3cret-Pa55";

class SMTPSecurityTest : public ::testing::Test {
protected:
    SMTPSecurityTest() {
        Smtp.ReadTimeout = 5000;
        Message.From = {"sender@x.test", "Sender"};
        Message.Subject = "Protected";
        SetAddresses(Message.BccList, "to@x.test");
        TNetText& text = Message.Parts.AddText({"Hello over TLS."});
        text.SetContentType("text/plain");
        text.SetContentTransfer("7bit");
    }

    // Points the client at the server, trusting its authority unless told otherwise.
    void Aim(const TAiosmtpdServer& server, TNetSMTPSecurity security, const std::string& host = "localhost",
             bool trust = true) {
        Smtp.Host = host;
        Smtp.Port = server.Port();
        Smtp.Security = security;
        Smtp.TrustFile = trust ? server.AuthorityFile() : "";
    }

    void LogIn(const std::string& password = Password) {
        Smtp.SetAuthenticationType(TAuthenticationType::atPlainOrLogin);
        Smtp.Username = "ann";
        Smtp.Password = password;
    }

    // The message text of what a whole mailing raised, or "" when it went through.
    std::string Mailing() {
        try {
            Smtp.Connect();
            Smtp.Send(Message);
            Smtp.Disconnect();
            return "";
        } catch (const std::exception& error) {
            if (Smtp.IsConnected())
                Smtp.Disconnect();
            return error.what();
        }
    }

    static bool Delivered(const TAiosmtpdServer& server) {
        if (!server.WaitForDelivery(1))
            return false;
        TTempDir files;
        files.Write("subject.txt", "Protected");
        const TPythonResult result = RunMessageCheck(
            {"message", server.MessagePath(1), "--subject-file", files.File("subject.txt").string()});
        EXPECT_EQ(result.ExitCode, 0) << result.Output;
        return true;
    }

    static bool SawMail(const TAiosmtpdServer& server) {
        return server.CommandLog().find("MAIL FROM") != std::string::npos;
    }

    TNetSMTP Smtp;
    TNetMessage Message;
};

TEST_F(SMTPSecurityTest, DeliversOverSTARTTLSAndOverTLSWithALogin) {
    struct Case {
        const char* name;
        const char* serverSecurity;
        TNetSMTPSecurity security;
        const char* host;
        bool login;
    };
    const Case cases[] = {
        {"STARTTLS by name", "starttls", TNetSMTPSecurity::ssStartTLS, "localhost", false},
        {"STARTTLS with login", "starttls", TNetSMTPSecurity::ssStartTLS, "localhost", true},
        {"TLS with login by address", "tls", TNetSMTPSecurity::ssTLS, "127.0.0.1", true},
        // The short numeric forms of 127.0.0.1 are checked as that address.
        {"STARTTLS by a short address", "starttls", TNetSMTPSecurity::ssStartTLS, "127.1", false},
        {"TLS by a 32-bit address", "tls", TNetSMTPSecurity::ssTLS, "2130706433", false},
    };
    for (const Case& c : cases) {
        Lines options{"--security", c.serverSecurity};
        if (c.login)
            options.insert(options.end(), {"--login", "ann", Password});
        TAiosmtpdServer server(options);
        Aim(server, c.security, c.host);
        if (c.login)
            LogIn();
        else
            Smtp.SetAuthenticationType(TAuthenticationType::atNone);
        EXPECT_EQ(Mailing(), "") << c.name;
        EXPECT_TRUE(Delivered(server)) << c.name;
        const std::string commands = server.CommandLog();
        // The password never stands in a command line as it is; only inside the AUTH exchange,
        // in base64, and then over TLS.
        EXPECT_EQ(commands.find(Password), std::string::npos) << c.name;
        if (c.login) {
            EXPECT_NE(commands.find("AUTH PLAIN"), std::string::npos) << c.name << commands;
        }
        EXPECT_EQ(server.Envelope(1), (Lines{"sender@x.test", "to@x.test"})) << c.name;
    }
}

TEST_F(SMTPSecurityTest, STARTTLSGreetsAgainAndTakesTheLoginMethodsFromTheSecondEHLO) {
    TAiosmtpdServer server({"--security", "starttls", "--login", "ann", Password});
    Aim(server, TNetSMTPSecurity::ssStartTLS);
    Smtp.HeloName = "client.test";
    Smtp.Connect();
    EXPECT_TRUE(Smtp.Encrypted());
    // Before STARTTLS this server lists no AUTH at all.
    EXPECT_EQ(Smtp.AuthSchemes, (Lines{"LOGIN", "PLAIN"}));
    Smtp.Disconnect();
    EXPECT_FALSE(Smtp.Encrypted());
    const std::string commands = server.CommandLog();
    const std::size_t first = commands.find("EHLO client.test");
    const std::size_t startTls = commands.find("STARTTLS");
    ASSERT_NE(startTls, std::string::npos) << commands;
    EXPECT_LT(first, startTls);
    EXPECT_NE(commands.find("EHLO client.test", startTls), std::string::npos) << commands;
}

TEST_F(SMTPSecurityTest, OnlyTheProtectedServersOfferOfPipeliningCounts) {
    const struct {
        const char* Offered;
        bool Pipelining;
    } cases[] = {{"after-tls", true}, {"before-tls", false}};
    for (const auto& c : cases) {
        TAiosmtpdServer server({"--security", "starttls", "--pipelining", c.Offered});
        Aim(server, TNetSMTPSecurity::ssStartTLS);
        EXPECT_EQ(Mailing(), "") << c.Offered;
        EXPECT_TRUE(Delivered(server)) << c.Offered;
        EXPECT_EQ(Smtp.Capabilities.Pipelining(), c.Pipelining) << c.Offered;
        // Whether the recipient had already arrived with MAIL FROM.
        EXPECT_EQ(server.MailFromLog(), c.Pipelining ? "grouped\n" : "alone\n") << c.Offered;
    }
}

TEST_F(SMTPSecurityTest, EveryFailureToProtectOrLogInEndsTheMailingBeforeTheMessage) {
    struct Case {
        const char* name;
        Lines serverOptions;
        TNetSMTPSecurity security;
        const char* host;
        bool trust;
        const char* password;
        std::string expected; // the start of the message text
    };
    const Case cases[] = {
        {"wrong password", {"--security", "starttls", "--login", "ann", Password}, TNetSMTPSecurity::ssStartTLS,
         "localhost", true, "wrong", "The server refused the login: 535 5.7.8 Authentication credentials invalid"},
        {"unknown authority", {"--security", "starttls"}, TNetSMTPSecurity::ssStartTLS, "localhost", false, nullptr,
         "The certificate of localhost is not trusted: "},
        {"another host's certificate", {"--security", "tls", "--cert-names", "other.test"},
         TNetSMTPSecurity::ssTLS, "localhost", true, nullptr,
         "The certificate of localhost is not trusted: hostname mismatch"},
        {"another address's certificate", {"--security", "tls", "--cert-names", "other.test"},
         TNetSMTPSecurity::ssTLS, "127.0.0.1", true, nullptr,
         "The certificate of 127.0.0.1 is not trusted: IP address mismatch"},
        {"another address's certificate, the address written short", {"--security", "tls", "--cert-names", "other.test"},
         TNetSMTPSecurity::ssTLS, "127.1", true, nullptr,
         "The certificate of 127.1 is not trusted: IP address mismatch"},
        {"another address's certificate, over STARTTLS to 127.0.1", {"--security", "starttls", "--cert-names", "other.test,127.0.0.2"},
         TNetSMTPSecurity::ssStartTLS, "127.0.1", true, nullptr,
         "The certificate of 127.0.1 is not trusted: IP address mismatch"},
        {"no STARTTLS offered", {}, TNetSMTPSecurity::ssStartTLS, "127.0.0.1", false, nullptr,
         "The server did not offer STARTTLS"},
        {"STARTTLS refused", {"--security", "refuse-starttls"}, TNetSMTPSecurity::ssStartTLS, "localhost", true,
         nullptr, "The server refused STARTTLS: 454 4.7.0 TLS not available"},
        {"TLS to a plain server", {}, TNetSMTPSecurity::ssTLS, "127.0.0.1", false, nullptr,
         "TLS handshake with 127.0.0.1 failed: "},
    };
    for (const Case& c : cases) {
        TAiosmtpdServer server(c.serverOptions);
        Aim(server, c.security, c.host, c.trust);
        if (c.password != nullptr)
            LogIn(c.password);
        else
            Smtp.SetAuthenticationType(TAuthenticationType::atNone);
        const std::string failure = Mailing();
        EXPECT_EQ(failure.substr(0, c.expected.size()), c.expected) << c.name << ": " << failure;
        EXPECT_EQ(failure.find('\n'), std::string::npos) << c.name;
        EXPECT_FALSE(SawMail(server)) << c.name << server.CommandLog();
        EXPECT_FALSE(server.WaitForDelivery(1, 50)) << c.name;
        EXPECT_FALSE(Smtp.IsConnected()) << c.name;
    }
}

TEST_F(SMTPSecurityTest, ASilentServerEndsTheHandshakeInTimeAndRepliesTimeOutAsWithoutTLS) {
    TLoopbackServer silent([](TLoopbackPeer& peer) { peer.WaitForClose(); });
    Smtp.Host = "127.0.0.1";
    Smtp.Port = silent.Port();
    Smtp.Security = TNetSMTPSecurity::ssTLS;
    Smtp.ReadTimeout = 200;
    EXPECT_EQ(Mailing(), "TLS handshake with 127.0.0.1 failed: no answer in time");

    // Once protected, a reply that does not come is the plain connection's "Read Timeout".
    TAiosmtpdServer server({"--security", "tls"});
    Aim(server, TNetSMTPSecurity::ssTLS);
    Smtp.ReadTimeout = 5000;
    Smtp.Connect();
    Smtp.ReadTimeout = 100;
    try {
        Smtp.ReadReply({250});
        ADD_FAILURE() << "a reply came";
    } catch (const ENetReadTimeout& timeout) {
        EXPECT_STREQ(timeout.what(), "Read Timeout");
    }
    Smtp.Disconnect();
}

TEST_F(SMTPSecurityTest, LargeMessageOverTLSArrivesWhole) {
    TAiosmtpdServer server({"--security", "tls"});
    Aim(server, TNetSMTPSecurity::ssTLS);
    Lines body;
    for (int i = 0; i < 20000; ++i)
        body.push_back("Line " + std::to_string(i) + " of a long body that needs many TLS records.");
    Message.Parts.Clear();
    TNetText& text = Message.Parts.AddText(body);
    text.SetContentType("text/plain");
    text.SetContentTransfer("7bit");
    EXPECT_EQ(Mailing(), "");
    ASSERT_TRUE(server.WaitForDelivery(1));
    TTempDir files;
    std::string joined;
    for (const std::string& line : body)
        joined += (joined.empty() ? "" : "\r\n") + line;
    files.Write("body.txt", joined);
    files.Write("subject.txt", "Protected");
    const TPythonResult result =
        RunMessageCheck({"message", server.MessagePath(1), "--subject-file", files.File("subject.txt").string(),
                         "--body-file", files.File("body.txt").string()});
    EXPECT_EQ(result.ExitCode, 0) << result.Output;
}

} // namespace
} // namespace corvalet::test
