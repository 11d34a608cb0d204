// The login methods chosen by name, and the bearer-token logins XOAUTH2 and OAUTHBEARER against a
// real SMTP server (aiosmtpd on 127.0.0.1 over TLS) that checks the token as a provider's does.
#include "smtp/SMTP.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "net/IOHandlerSocket.h"
#include "smtp/SASLBearer.h"
#include "smtp/SMTPExceptions.h"
#include "support/AiosmtpdServer.h"
#include "support/ScriptedSMTPServer.h"

namespace corvalet::test {
namespace {

using Lines = std::vector<std::string>;

TEST(SASLBearerTest, InitialResponsesAndErrorAnswers) {
    EXPECT_EQ(XOAuth2InitialResponse("ann@x.test", "tok.en"), "user=ann@x.test\x01" "auth=Bearer tok.en\x01\x01");
    EXPECT_EQ(OAuthBearerInitialResponse("ann@x.test", "smtp.x.test", 587, "tok.en"),
              "n,a=ann@x.test,\x01host=smtp.x.test\x01port=587\x01" "auth=Bearer tok.en\x01\x01");
    // "," would end the user's field of the header and "=" begin an escape.
    EXPECT_EQ(OAuthBearerInitialResponse("a,b=c", "h", 25, "t"), "n,a=a=2Cb=3Dc,\x01host=h\x01port=25\x01" "auth=Bearer t\x01\x01");
    EXPECT_EQ(XOAuth2ErrorChallengeAnswer(), "");
    EXPECT_EQ(OAuthBearerErrorChallengeAnswer(), "\x01");
}

// A token as long as those the big providers hand out, so that no line limit cuts it.
std::string LongToken(char last) {
    std::string token = "eyJ0eXAiOiJKV1QiLCJhbGciOiJSUzI1NiJ9.";
    while (token.size() < 1800)
        token += "abcdefghijklmnopqrstuvwxyz0123456789-_";
    return token + last;
}

class SMTPBearerTest : public ::testing::Test {
protected:
    SMTPBearerTest() {
        Smtp.ReadTimeout = 5000;
        Message.From = {"ann@x.test", "Ann"};
        Message.Subject = "Token";
        SetAddresses(Message.BccList, "to@x.test");
        TNetText& text = Message.Parts.AddText({"Sent with a token."});
        text.SetContentType("text/plain");
        text.SetContentTransfer("7bit");
    }

    void Aim(const TAiosmtpdServer& server, TAuthenticationType type, const std::string& token) {
        Smtp.Host = "localhost";
        Smtp.Port = server.Port();
        Smtp.Security = TNetSMTPSecurity::ssTLS;
        Smtp.TrustFile = server.AuthorityFile();
        Smtp.SetAuthenticationType(type);
        Smtp.Username = "ann@x.test";
        Smtp.Password = token;
    }

    // The message text of what a whole mailing raised, or "" when it went through.
    std::string Mailing() {
        try {
            Smtp.Connect();
            Smtp.Send(Message);
            Smtp.Disconnect();
            return "";
        } catch (const ENetTokenRefused& refusal) {
            TokenRefused = true;
            Smtp.Disconnect();
            return refusal.what();
        } catch (const std::exception& error) {
            if (Smtp.IsConnected())
                Smtp.Disconnect();
            return error.what();
        }
    }

    static std::string BearerLog(const TAiosmtpdServer& server) {
        std::ifstream in(std::filesystem::path(server.AuthorityFile()).parent_path() / "bearer.log");
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    TNetSMTP Smtp;
    TNetMessage Message;
    bool TokenRefused = false;
};

TEST_F(SMTPBearerTest, EachMethodLogsInWithAValidTokenAndReportsTheRefusalOfAStaleOne) {
    const std::string token = LongToken('A');
    for (const auto type : {TAuthenticationType::atXOAuth2, TAuthenticationType::atOAuthBearer}) {
        const std::string name = type == TAuthenticationType::atXOAuth2 ? "XOAUTH2" : "OAUTHBEARER";
        {
            TAiosmtpdServer server({"--security", "tls", "--bearer", "ann@x.test", token});
            Aim(server, type, token);
            EXPECT_EQ(Mailing(), "") << name;
            EXPECT_TRUE(server.WaitForDelivery(1)) << name;
            const std::string expected = type == TAuthenticationType::atXOAuth2
                                             ? "XOAUTH2 user=ann@x.test\n"
                                             : "OAUTHBEARER user=ann@x.test host=localhost port=" +
                                                   std::to_string(server.Port()) + "\n";
            EXPECT_EQ(BearerLog(server), expected);
        }
        {
            // The server's error challenge is answered as the method requires (the server
            // answers a wrong answer with 501), and its final refusal comes with its text.
            TAiosmtpdServer server({"--security", "tls", "--bearer", "ann@x.test", token});
            Aim(server, type, LongToken('B'));
            TokenRefused = false;
            EXPECT_EQ(Mailing(), "The server refused the login: 535 5.7.8 Username and Password not accepted (token)")
                << name;
            EXPECT_TRUE(TokenRefused) << name;
            EXPECT_EQ(server.CommandLog().find("MAIL FROM"), std::string::npos) << name;
        }
    }
}

TEST_F(SMTPBearerTest, AMethodTheServerDoesNotOfferFailsBeforeTheMessage) {
    TAiosmtpdServer server({"--security", "tls", "--login", "ann@x.test", "pw"});
    for (const auto type : {TAuthenticationType::atXOAuth2, TAuthenticationType::atOAuthBearer}) {
        Aim(server, type, "token");
        const std::string name = type == TAuthenticationType::atXOAuth2 ? "XOAUTH2" : "OAUTHBEARER";
        EXPECT_EQ(Mailing(), "The server does not offer the login method " + name + " that the settings ask for");
    }
    EXPECT_EQ(server.CommandLog().find("AUTH"), std::string::npos) << server.CommandLog();
    EXPECT_EQ(server.CommandLog().find("MAIL FROM"), std::string::npos);
}

// A socket handler whose peer claims an address off this machine; the bytes still go to
// 127.0.0.1.
class TFarPeerHandler final : public TNetIOHandlerSocket {
public:
    void ConnectTo(const std::string& host, int port, int timeout, const TNetLocalBinding& local) override {
        TNetIOHandlerSocket::ConnectTo(host, port, timeout, local);
        SocketHandle()->PeerAddress = "192.0.2.25";
    }
};

TEST(SMTPChosenMethodTest, MethodsByNameAndTheirRefusals) {
    struct Case {
        const char* name;
        const char* ehlo;
        TAuthenticationType type;
        const char* password;
        bool farPeer;
        Lines sent;           // after RSET
        std::string failure;  // or ""
    };
    const Case cases[] = {
        {"PLAIN although LOGIN is listed first", "250 AUTH LOGIN PLAIN\r\n", TAuthenticationType::atPlain, "pw", false,
         {"AUTH PLAIN AHVzZXIAcHc=", "MAIL FROM:<a@x.test>"}, ""},
        {"LOGIN although PLAIN is listed", "250 AUTH PLAIN LOGIN\r\n", TAuthenticationType::atLoginOnly, "pw", false,
         {"AUTH LOGIN", "dXNlcg==", "cHc=", "MAIL FROM:<a@x.test>"}, ""},
        {"PLAIN not listed", "250 AUTH LOGIN\r\n", TAuthenticationType::atPlain, "pw", false, {},
         "The server does not offer the login method PLAIN that the settings ask for"},
        {"LOGIN not listed", "250 AUTH PLAIN\r\n", TAuthenticationType::atLoginOnly, "pw", false, {},
         "The server does not offer the login method LOGIN that the settings ask for"},
        {"token refused without an error challenge", "250 AUTH XOAUTH2\r\n", TAuthenticationType::atXOAuth2, "t",
         false, {"AUTH XOAUTH2 dXNlcj11c2VyAWF1dGg9QmVhcmVyIHQBAQ=="},
         "The server refused the login: 535 5.7.8 no"},
        {"token with a control character", "250 AUTH XOAUTH2\r\n", TAuthenticationType::atXOAuth2, "t\x01x", false,
         {}, "The access token holds a control character"},
        {"token over a plain link off this machine", "250 AUTH XOAUTH2 OAUTHBEARER\r\n",
         TAuthenticationType::atOAuthBearer, "t", true, {},
         "The access token is not sent to 127.0.0.1 over an unprotected connection: choose STARTTLS or TLS"},
        {"password over a plain link off this machine", "250 AUTH PLAIN\r\n", TAuthenticationType::atPlain, "pw",
         true, {}, "The password is not sent to 127.0.0.1 over an unprotected connection: choose STARTTLS or TLS"},
    };
    for (const Case& c : cases) {
        TScriptedSMTPServer server({{"EHLO", c.ehlo},
                                    {"AUTH LOGIN", "334 VXNlcm5hbWU6\r\n"},
                                    {"dXNlcg==", "334 UGFzc3dvcmQ6\r\n"},
                                    {"cHc=", "235 ok\r\n"},
                                    {"AUTH PLAIN", "235 ok\r\n"},
                                    {"AUTH XOAUTH2", "535 5.7.8 no\r\n"}});
        TNetSMTP smtp;
        TFarPeerHandler farPeer;
        if (c.farPeer)
            smtp.SetIOHandler(&farPeer);
        smtp.Host = "127.0.0.1";
        smtp.Port = server.Port();
        smtp.HeloName = "client.test";
        smtp.ReadTimeout = 2000;
        smtp.SetAuthenticationType(c.type);
        smtp.Username = "user";
        smtp.Password = c.password;
        std::string failure;
        try {
            smtp.Connect();
            smtp.SendTransaction({"a@x.test", {"b@x.test"}}, nullptr);
        } catch (const std::exception& error) {
            failure = error.what();
        }
        if (smtp.IsConnected())
            smtp.Disconnect();
        EXPECT_EQ(failure, c.failure) << c.name;
        ASSERT_TRUE(server.WaitForConnectionsEnded()) << c.name;
        Lines expected{"EHLO client.test"};
        if (!c.farPeer)
            expected.push_back("RSET");
        expected.insert(expected.end(), c.sent.begin(), c.sent.end());
        const Lines received = server.Lines();
        EXPECT_EQ(Lines(received.begin(), received.begin() + std::min(received.size(), expected.size())), expected)
            << c.name;
        if (c.failure.empty() == false && c.sent.empty()) {
            for (const std::string& line : received)
                EXPECT_EQ(line.rfind("AUTH", 0), std::string::npos) << c.name << ": " << line;
        }
    }
}

} // namespace
} // namespace corvalet::test
