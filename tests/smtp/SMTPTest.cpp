#include "smtp/SMTP.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <csignal>
#include <thread>

#include <pthread.h>

#include <gtest/gtest.h>

#include "mime/MessageClient.h"
#include "net/AntiFreeze.h"
#include "net/IOHandlerSocket.h"
#include "smtp/SMTPExceptions.h"
#include "support/FakeClock.h"
#include "support/MemorySink.h"
#include "support/ScriptedSMTPServer.h"
#include "support/TempDir.h"

namespace corvalet::test {
namespace {

using Lines = std::vector<std::string>;

const TNetSMTPEnvelope Envelope{"sender@x.test", {"cc1@x.test", "cc2@x.test", "bcc@x.test"}};

// What the message writer would write: header lines, the empty line and the body.
void WriteSampleMessage(TNetSMTP& smtp) {
    smtp.WriteLine("Subject: Weekly report");
    smtp.WriteLine("");
    smtp.WriteLine("Hello,");
    smtp.WriteLine("..a line that began with a dot");
}

const Lines SampleMessage{"Subject: Weekly report", "", "Hello,", "..a line that began with a dot"};

Lines Concat(std::initializer_list<Lines> parts) {
    Lines all;
    for (const Lines& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

// What a failure looked like: "ok", "reply <code>: <text>", "closed" for the peer's close in any
// of its forms, or the message of any other failure.
std::string Outcome(const std::function<void()>& action) {
    try {
        action();
        return "ok";
    } catch (const ENetProtocolReplyError& error) {
        return "reply " + std::to_string(error.ReplyCode) + ": " + error.what();
    } catch (const ENetConnClosedGracefully&) {
        return "closed";
    } catch (const ENetSocketError& error) {
        if (error.ErrorCode == 10053 || error.ErrorCode == 10054 || error.ErrorCode == 10058)
            return "closed";
        return error.what();
    } catch (const std::exception& error) {
        return error.what();
    }
}

class SMTPTest : public ::testing::Test {
protected:
    void Start(std::vector<TSMTPRule> rules) {
        Server = std::make_unique<TScriptedSMTPServer>(std::move(rules));
        Smtp.Host = "127.0.0.1";
        Smtp.Port = Server->Port();
        Smtp.HeloName = "client.test";
        Smtp.ReadTimeout = 2000;
    }
    void Send() {
        Smtp.SendTransaction(Envelope, [this] { WriteSampleMessage(Smtp); });
    }
    // The lines the server received once the client has closed.
    Lines Received() {
        if (Smtp.IsConnected())
            Smtp.Disconnect();
        EXPECT_TRUE(Server->WaitForConnectionsEnded());
        return Server->Lines();
    }

    std::unique_ptr<TScriptedSMTPServer> Server;
    TNetSMTP Smtp;
};

TEST_F(SMTPTest, CompleteDialogueOfOneMailing) {
    // QUIT is never answered: a client that waited for the reply would wait its whole read time-out.
    Start({{"QUIT", "", TSMTPAction::Silent}});
    Smtp.Connect();
    Send();
    const auto start = std::chrono::steady_clock::now();
    Smtp.Disconnect();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
    EXPECT_FALSE(Smtp.IsConnected());
    EXPECT_EQ(Received(),
              Concat({{"EHLO client.test", "RSET", "MAIL FROM:<sender@x.test>", "RCPT TO:<cc1@x.test>",
                       "RCPT TO:<cc2@x.test>", "RCPT TO:<bcc@x.test>", "DATA"},
                      SampleMessage,
                      {".", "QUIT"}}));
}

TEST_F(SMTPTest, EveryTransactionBeginsWithReset) {
    Start({});
    Smtp.Connect();
    Smtp.SendTransaction({"a@x.test", {"b@x.test"}}, nullptr);
    Smtp.SendTransaction({"a@x.test", {"c@x.test"}}, nullptr);
    EXPECT_EQ(Received(),
              (Lines{"EHLO client.test", "RSET", "MAIL FROM:<a@x.test>", "RCPT TO:<b@x.test>", "DATA", ".",
                     "RSET", "MAIL FROM:<a@x.test>", "RCPT TO:<c@x.test>", "DATA", ".", "QUIT"}));
}

TEST_F(SMTPTest, FailuresByPhase) {
    const Lines opening{"EHLO client.test"};
    const Lines envelope{"RSET", "MAIL FROM:<sender@x.test>", "RCPT TO:<cc1@x.test>", "RCPT TO:<cc2@x.test>",
                         "RCPT TO:<bcc@x.test>"};
    const std::string longLine = "250 " + std::string(20000, 'x') + "\r\n";
    const struct {
        const char* Name;
        std::vector<TSMTPRule> Rules;
        bool Sends; // a Send follows the Connect
        std::string Outcome;
        bool OpenAfter;
        Lines Received;
    } cases[] = {
        {"greeting refused",
         {{"", "554 No service here\r\n"}},
         false,
         "reply 554: No service here\r\n",
         false,
         {"QUIT"}},
        {"greeting never comes", {{"", "", TSMTPAction::Silent}}, false, "Read Timeout", false, {"QUIT"}},
        {"over-long greeting", {{"", longLine}}, false, "Max line length exceeded.", false, {"QUIT"}},
        {"EHLO not known, HELO accepted",
         {{"EHLO", "502 Not implemented\r\n"}},
         false,
         "ok",
         true,
         {"EHLO client.test", "HELO client.test"}},
        {"EHLO answered by a server that is closing",
         {{"EHLO", "421 Too busy, try later\r\n", TSMTPAction::ReplyThenClose}},
         false,
         "reply 421: Too busy, try later\r\n",
         false,
         {"EHLO client.test"}},
        {"HELO refused",
         {{"EHLO", "502 Not implemented\r\n"}, {"HELO", "501 Bad name\r\n"}},
         false,
         "reply 501: Bad name\r\n",
         false,
         {"EHLO client.test", "HELO client.test", "QUIT"}},
        {"server closes after the greeting",
         {{"", "220 hi\r\n", TSMTPAction::ReplyThenClose}},
         false,
         "closed",
         false,
         {}},
        {"RSET refused is no error",
         {{"RSET", "500 What?\r\n"}},
         true,
         "ok",
         true,
         Concat({opening, envelope, {"DATA"}, SampleMessage, {"."}})},
        {"MAIL FROM refused",
         {{"MAIL FROM", "553 Not allowed\r\n"}},
         true,
         "reply 553: Not allowed\r\n",
         true,
         {"EHLO client.test", "RSET", "MAIL FROM:<sender@x.test>"}},
        {"second recipient refused",
         {{"RCPT TO:<cc2@", "550 No such user\r\n"}},
         true,
         "reply 550: No such user\r\n",
         true,
         {"EHLO client.test", "RSET", "MAIL FROM:<sender@x.test>", "RCPT TO:<cc1@x.test>",
          "RCPT TO:<cc2@x.test>"}},
        {"recipients forwarded",
         {{"RCPT TO", "251 Will forward\r\n"}},
         true,
         "ok",
         true,
         Concat({opening, envelope, {"DATA"}, SampleMessage, {"."}})},
        {"DATA refused",
         {{"DATA", "554 No data\r\n"}},
         true,
         "reply 554: No data\r\n",
         true,
         Concat({opening, envelope, {"DATA"}})},
        {"end of data refused",
         {{".", "552 Too big\r\n"}},
         true,
         "reply 552: Too big\r\n",
         true,
         Concat({opening, envelope, {"DATA"}, SampleMessage, {"."}})},
        {"server closes during DATA",
         {{"DATA", "354 Go on\r\n", TSMTPAction::ReplyThenClose}},
         true,
         "closed",
         false,
         Concat({opening, envelope, {"DATA"}})},
        {"server stops answering",
         {{"MAIL FROM", "", TSMTPAction::Silent}},
         true,
         "Read Timeout",
         true,
         {"EHLO client.test", "RSET", "MAIL FROM:<sender@x.test>"}},
        {"server resets while a reply is awaited",
         {{"MAIL FROM", "", TSMTPAction::Reset}},
         true,
         "closed",
         false,
         {"EHLO client.test", "RSET", "MAIL FROM:<sender@x.test>"}},
        {"over-long reply to RCPT TO",
         {{"RCPT TO", longLine}},
         true,
         "Max line length exceeded.",
         true,
         {"EHLO client.test", "RSET", "MAIL FROM:<sender@x.test>", "RCPT TO:<cc1@x.test>"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        Start(c.Rules);
        Smtp.ReadTimeout = 600;
        const std::string outcome = Outcome([&] {
            Smtp.Connect();
            if (c.Sends)
                Send();
        });
        EXPECT_EQ(outcome, c.Outcome);
        EXPECT_EQ(Smtp.IsConnected(), c.OpenAfter);
        if (Smtp.IsConnected())
            Smtp.Disconnect();
        Lines expected = c.Received;
        // The client's own QUIT, when it closed a connection that was still open.
        if (c.OpenAfter)
            expected.push_back("QUIT");
        EXPECT_TRUE(Server->WaitForConnectionsEnded());
        EXPECT_EQ(Server->Lines(), expected);
    }
}

TEST_F(SMTPTest, RefusedTCPConnectSendsNothing) {
    const TOwnedSocket closedPort = BindLoopback(false);
    Smtp.Host = "127.0.0.1";
    Smtp.Port = LocalPort(closedPort);
    EXPECT_EQ(Outcome([&] { Smtp.Connect(1000); }), "Socket Error # 10061\r\nConnection refused.");
    EXPECT_FALSE(Smtp.IsConnected());
}

TEST_F(SMTPTest, AuthSchemesComeFromTheEHLOReply) {
    Start({{"EHLO", "250-mail.test\r\n250-AUTH LOGIN PLAIN\r\n250-auth=login\r\n250 SIZE 1000\r\n"}});
    Smtp.AuthSchemes = {"OLD"};
    Smtp.Connect();
    EXPECT_EQ(Smtp.AuthSchemes, (Lines{"LOGIN", "PLAIN"}));
    EXPECT_TRUE(Smtp.CanAuthenticateWith(TAuthenticationType::atLogin));
    EXPECT_FALSE(Smtp.CanAuthenticateWith(TAuthenticationType::atNone));
}

TEST(CollectAuthSchemesTest, Lines) {
    const struct {
        Lines Text;
        Lines Schemes;
    } cases[] = {
        {{"mail.test", "AUTH LOGIN PLAIN", "auth=login"}, {"LOGIN", "PLAIN"}},
        {{"AUTH=LOGIN CRAM-MD5", "AUTH  plain"}, {"LOGIN", "CRAM-MD5", "PLAIN"}},
        {{"AUTHX LOGIN", "SIZE 10", "8BITMIME"}, {}},
    };
    for (const auto& c : cases) {
        Lines schemes;
        CollectAuthSchemes(c.Text, schemes);
        EXPECT_EQ(schemes, c.Schemes);
    }
}

TEST_F(SMTPTest, AuthLoginSendsTheCredentialsInBase64OncePerConnection) {
    Start({{"EHLO", "250-mail.test\r\n250 AUTH LOGIN\r\n"},
           {"AUTH LOGIN", "334 VXNlcm5hbWU6\r\n"},
           {"dXNlckB4LnRlc3Q=", "334 UGFzc3dvcmQ6\r\n"},
           {"c2VjcmV0", "235 Authenticated\r\n"}});
    Smtp.SetAuthenticationType(TAuthenticationType::atLogin);
    Smtp.Username = "user@x.test";
    Smtp.Password = "secret";
    Smtp.Connect();
    Smtp.SendTransaction({"a@x.test", {"b@x.test"}}, nullptr);
    EXPECT_TRUE(Smtp.Authenticated);
    Smtp.SendTransaction({"a@x.test", {"b@x.test"}}, nullptr);
    Smtp.Disconnect();
    EXPECT_FALSE(Smtp.Authenticated);
    EXPECT_EQ(Received(), (Lines{"EHLO client.test", "RSET", "AUTH LOGIN", "dXNlckB4LnRlc3Q=", "c2VjcmV0",
                                 "MAIL FROM:<a@x.test>", "RCPT TO:<b@x.test>", "DATA", ".", "RSET",
                                 "MAIL FROM:<a@x.test>", "RCPT TO:<b@x.test>", "DATA", ".", "QUIT"}));
}

TEST_F(SMTPTest, LoginPrefersPLAINFallsBackToLOGINAndNamesWhatIsMissing) {
    struct Case {
        const char* name;
        const char* ehlo;
        std::vector<TSMTPRule> more;
        Lines sent;          // after RSET
        const char* failure; // or nullptr
    };
    const Case cases[] = {
        {"PLAIN offered", "250-mail.test\r\n250 AUTH LOGIN PLAIN\r\n",
         {{"AUTH PLAIN", "235 ok\r\n"}}, {"AUTH PLAIN AHVzZXIAc2VjcmV0", "MAIL FROM:<a@x.test>"}, nullptr},
        {"LOGIN only", "250 AUTH LOGIN\r\n",
         {{"AUTH LOGIN", "334 VXNlcm5hbWU6\r\n"}, {"dXNlcg==", "334 UGFzc3dvcmQ6\r\n"}, {"c2VjcmV0", "235 ok\r\n"}},
         {"AUTH LOGIN", "dXNlcg==", "c2VjcmV0", "MAIL FROM:<a@x.test>"}, nullptr},
        {"refused", "250 AUTH PLAIN\r\n", {{"AUTH PLAIN", "535-5.7.8 Bad\r\n535 5.7.8 credentials\r\n"}},
         {"AUTH PLAIN AHVzZXIAc2VjcmV0"}, "reply 535: The server refused the login: 535 5.7.8 Bad 5.7.8 credentials"},
        {"no known method", "250 AUTH CRAM-MD5\r\n", {}, {},
         "The server offers no login method that Corvalet knows (PLAIN or LOGIN)"},
        {"no AUTH at all", "250 SIZE 10\r\n", {}, {},
         "The server offers no login method that Corvalet knows (PLAIN or LOGIN)"},
    };
    for (const Case& c : cases) {
        std::vector<TSMTPRule> rules{{"EHLO", c.ehlo}};
        rules.insert(rules.end(), c.more.begin(), c.more.end());
        Start(rules);
        Smtp.SetAuthenticationType(TAuthenticationType::atPlainOrLogin);
        Smtp.Username = "user";
        Smtp.Password = "secret";
        Smtp.Connect();
        const std::string failure = Outcome([&] { Smtp.SendTransaction({"a@x.test", {"b@x.test"}}, nullptr); });
        EXPECT_EQ(failure, c.failure ? c.failure : "ok") << c.name;
        Smtp.Disconnect();
        Lines expected{"EHLO client.test", "RSET"};
        expected.insert(expected.end(), c.sent.begin(), c.sent.end());
        const Lines received = Received();
        EXPECT_EQ(Lines(received.begin(), received.begin() + std::min(received.size(), expected.size())), expected)
            << c.name;
    }
}

TEST_F(SMTPTest, NoAuthenticationWhenNotAskedForOrNotOffered) {
    for (const bool offered : {false, true}) {
        Start({{"EHLO", offered ? "250 AUTH LOGIN\r\n" : "250 SIZE 10\r\n"}});
        Smtp.SetAuthenticationType(offered ? TAuthenticationType::atNone : TAuthenticationType::atLogin);
        Smtp.Connect();
        Smtp.SendTransaction({"a@x.test", {"b@x.test"}}, nullptr);
        EXPECT_EQ(Received(), (Lines{"EHLO client.test", "RSET", "MAIL FROM:<a@x.test>", "RCPT TO:<b@x.test>",
                                     "DATA", ".", "QUIT"}));
    }
}

TEST_F(SMTPTest, AuthenticationAndEHLOAreCoupled) {
    Smtp.SetUseEhlo(false);
    Smtp.SetAuthenticationType(TAuthenticationType::atLogin);
    EXPECT_TRUE(Smtp.UseEhlo());
    Smtp.SetUseEhlo(false);
    EXPECT_EQ(Smtp.AuthenticationType(), TAuthenticationType::atNone);
    EXPECT_EQ(Smtp.Port, 25);

    TNetSMTP other;
    other.SetAuthenticationType(TAuthenticationType::atLogin);
    other.Host = "mail.test";
    other.Port = 587;
    other.MailAgent = "agent";
    other.Username = "u";
    other.Password = "p";
    other.HeloName = "not copied";
    Smtp.Assign(other);
    EXPECT_EQ(Smtp.AuthenticationType(), TAuthenticationType::atLogin);
    EXPECT_TRUE(Smtp.UseEhlo());
    EXPECT_EQ(Smtp.Host, "mail.test");
    EXPECT_EQ(Smtp.Port, 587);
    EXPECT_EQ(Smtp.MailAgent, "agent");
    EXPECT_EQ(Smtp.Username, "u");
    EXPECT_EQ(Smtp.Password, "p");
    EXPECT_EQ(Smtp.HeloName, "");
}

TEST_F(SMTPTest, WithoutEHLOTheClientSaysHELO) {
    Start({});
    Smtp.SetUseEhlo(false);
    Smtp.Connect();
    EXPECT_EQ(Received(), (Lines{"HELO client.test", "QUIT"}));
}

TEST_F(SMTPTest, AddressesWithLineBreaksOrNulAreRefusedBeforeAnythingIsWritten) {
    const std::string nul("a\0b@x.test", 10);
    const struct {
        TNetSMTPEnvelope Envelope;
        const char* Message;
    } cases[] = {
        {{"a@x.test\r\nRCPT TO:<evil@x.test>", {"b@x.test"}},
         "The sender address holds a line break or NUL character"},
        {{"a@x.test", {"b@x.test", "c@x.test\nDATA"}},
         "A recipient address holds a line break or NUL character"},
        {{"a@x.test", {"b@x.test\r"}}, "A recipient address holds a line break or NUL character"},
        {{nul, {"b@x.test"}}, "The sender address holds a line break or NUL character"},
    };
    Start({});
    Smtp.Connect();
    for (const auto& c : cases) {
        try {
            Smtp.SendTransaction(c.Envelope, nullptr);
            ADD_FAILURE() << c.Message;
        } catch (const ENetUnsafeCommandText& error) {
            EXPECT_STREQ(error.what(), c.Message);
        }
    }
    EXPECT_EQ(Received(), (Lines{"EHLO client.test", "QUIT"}));
}

TEST_F(SMTPTest, AnnouncedNameWithALineBreakIsRefusedBeforeConnecting) {
    Start({});
    Smtp.HeloName = "client.test\r\nMAIL FROM:<x@y>";
    EXPECT_THROW(Smtp.Connect(), ENetUnsafeCommandText);
    EXPECT_FALSE(Smtp.IsConnected());
}

TEST_F(SMTPTest, DisconnectOnAClosedClientWritesNothingAndRaisesNothing) {
    Smtp.Disconnect();
    Start({});
    Smtp.Connect();
    Smtp.Disconnect();
    Smtp.Disconnect();
    EXPECT_EQ(Received(), (Lines{"EHLO client.test", "QUIT"}));
}

TEST_F(SMTPTest, FailedQuitIsRaisedAfterTheConnectionIsClosed) {
    Start({{"RSET", "250 OK\r\n", TSMTPAction::ReplyThenClose}});
    Smtp.Connect();
    Smtp.SendCommand("RSET", 250);
    ASSERT_TRUE(Server->WaitForConnectionsEnded());
    Smtp.WriteLine("NOOP"); // taken by the system; the peer answers it with a reset
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    Smtp.Authenticated = true;
    EXPECT_EQ(Outcome([&] { Smtp.Disconnect(); }), "closed");
    EXPECT_FALSE(Smtp.IsConnected());
    EXPECT_FALSE(Smtp.Authenticated);
}

// The mail job reports the failure and then disconnects: a reset must leave nothing for the
// disconnect to fail on a second time.
TEST_F(SMTPTest, ResetIsReportedOnceAndTheDisconnectAfterItIsSilent) {
    Start({{"RCPT TO", "", TSMTPAction::Reset}});
    Smtp.Connect();
    EXPECT_EQ(Outcome([&] { Send(); }), "closed");
    EXPECT_FALSE(Smtp.IsConnected());
    EXPECT_EQ(Outcome([&] { Smtp.Disconnect(); }), "ok");
}

// The server may check the whole message before it answers the final ".": that reply gets the long
// wait, every other reply the read time-out.
TEST_F(SMTPTest, ReplyToTheEndOfDataGetsItsOwnLongerWait) {
    EXPECT_EQ(TNetSMTP().DataEndTimeout, 600000);
    const struct {
        const char* Name;
        TSMTPRule Rule;
        std::string Outcome;
        long AtLeastMs;
    } cases[] = {
        {"slow but accepting", {".", "250 Queued at last\r\n", TSMTPAction::Reply, 250}, "ok", 200},
        {"never answering", {".", "", TSMTPAction::Silent}, "Read Timeout", 380},
        {"slow at MAIL FROM", {"MAIL FROM", "250 OK\r\n", TSMTPAction::Reply, 250}, "Read Timeout", 80},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        Start({c.Rule});
        Smtp.ReadTimeout = 100;
        Smtp.DataEndTimeout = 400;
        Smtp.Connect();
        std::string outcome;
        const auto start = std::chrono::steady_clock::now();
        outcome = Outcome([&] { Send(); });
        const auto elapsed = std::chrono::steady_clock::now() - start;
        EXPECT_EQ(outcome, c.Outcome);
        EXPECT_GE(elapsed, std::chrono::milliseconds(c.AtLeastMs));
        EXPECT_EQ(Smtp.ReadTimeout, 100);
        Received();
    }
}

// A server that takes DATA and then stops reading, with more of the message left than the socket
// buffers hold: the write gives up at the read time-out, and the next mailing goes through.
TEST_F(SMTPTest, ServerThatStopsReadingDuringDataCannotHoldTheClient) {
    // Long enough for the client to fill the socket buffers even on a busy machine (loopback
    // receive buffers may grow to tens of megabytes).
    Start({{"DATA", "354 Go on\r\n", TSMTPAction::StopReading}});
    Server->StopReadingMs = 2500;
    TNetAntiFreeze antiFreeze;
    antiFreeze.IdleTimeOut = 20;
    int services = 0;
    antiFreeze.OnServiceUI = [&](bool) { ++services; };
    Smtp.ReadTimeout = 200;
    Smtp.Connect();
    const std::string line = std::string(998, 'x') + "\r\n";
    std::string block;
    for (int i = 0; i < 64 * 1024; ++i)
        block += line;
    services = 0;
    EXPECT_EQ(Outcome([&] {
                  Smtp.SendTransaction(Envelope, [&] { Smtp.WriteBytes(block.data(), block.size()); });
              }),
              "Write Timeout");
    EXPECT_GE(services, 10);
    EXPECT_FALSE(Smtp.IsConnected());

    // The next minute's mailing, answered once the server reads again.
    Smtp.ReadTimeout = 5000;
    EXPECT_EQ(Outcome([&] { Smtp.Connect(); }), "ok");
    EXPECT_EQ(Outcome([&] { Send(); }), "ok");
    EXPECT_EQ(Outcome([&] { Smtp.Disconnect(); }), "ok");
    EXPECT_TRUE(Server->WaitForConnectionsEnded(2));
    const Lines lines = Server->Lines();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[lines.size() - 2], ".");
    EXPECT_EQ(lines.back(), "QUIT");
}

// Signals arriving all the time interrupt every wait, receive and send of a mailing; each is
// repeated, and the message arrives whole.
TEST_F(SMTPTest, SignalStormDuringAMailingStillDelivers) {
    struct sigaction action {};
    struct sigaction previous {};
    action.sa_handler = [](int) {};
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0; // no automatic restart: every call sees EINTR
    ASSERT_EQ(sigaction(SIGUSR1, &action, &previous), 0);
    Start({{".", "250 Queued\r\n", TSMTPAction::Reply, 100}});
    const pthread_t mailer = pthread_self();
    std::atomic<bool> done{false};
    std::thread storm([&] {
        while (!done) {
            pthread_kill(mailer, SIGUSR1);
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
    });
    const std::string body(4 * 1024 * 1024, 'y');
    std::string outcome = Outcome([&] {
        Smtp.Connect(2000);
        Smtp.SendTransaction(Envelope, [&] {
            for (std::size_t at = 0; at < body.size(); at += 1000)
                Smtp.WriteLine(body.substr(at, 1000));
        });
        Smtp.Disconnect();
    });
    done = true;
    storm.join();
    sigaction(SIGUSR1, &previous, nullptr);
    EXPECT_EQ(outcome, "ok");
    EXPECT_TRUE(Server->WaitForConnectionsEnded());
    const Lines lines = Server->Lines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), std::string(1000, 'y')), 4 * 1024 * 1024 / 1000);
    EXPECT_EQ(lines.back(), "QUIT");
}

TEST_F(SMTPTest, ExpandAndVerify) {
    Start({{"VRFY bob", "250 Bob <bob@x.test>\r\n"},
           {"VRFY nobody", "550 Unknown\r\n"},
           {"EXPN", "252 Maybe\r\n"}});
    Smtp.Connect();
    EXPECT_EQ(Smtp.Verify("bob"), "Bob <bob@x.test>");
    EXPECT_THROW(Smtp.Verify("nobody"), ENetProtocolReplyError);
    EXPECT_THROW(Smtp.Expand("list"), ENetProtocolReplyError);
    EXPECT_THROW(Smtp.Verify("a\r\nDATA"), ENetUnsafeCommandText);
}

} // namespace
} // namespace corvalet::test

namespace corvalet::test {
namespace {

// Sending a message that the message writer writes.
class SMTPSendTest : public SMTPTest {
protected:
    SMTPSendTest() : Clock(TDateTime{2026, 12, 9, 9, 5, 0, 0}), Message(Clock) {
        Message.HeaderLanguage = "en";
        Message.ZoneOffset = [](const TDateTime&) { return 0; };
        Message.From = {"sender@x.test", "Sender"};
        Message.Subject = "Weekly report";
        SetAddresses(Message.CCList, "cc1@x.test, Bea <cc2@x.test>");
        SetAddresses(Message.BccList, "bcc@x.test");
        Text = &Message.Parts.AddText({"Hello,", ".dot first", "last line"});
        Text->SetContentType("text/plain");
        Text->SetContentTransfer("7bit");
    }

    std::size_t WrittenSize() {
        TMemorySink sink;
        TNetMessageClient(sink).EmitMessage(Message);
        return sink.Text.size();
    }

    // The lines the message writer writes for the message as it stands.
    Lines WrittenLines() {
        TMemorySink sink;
        TNetMessageClient(sink).EmitMessage(Message);
        Lines lines;
        for (std::size_t start = 0; start < sink.Text.size();) {
            const std::size_t end = sink.Text.find("\r\n", start);
            lines.push_back(sink.Text.substr(start, end - start));
            start = end + 2;
        }
        return lines;
    }

    TFakeClock Clock;
    TNetMessage Message;
    TNetText* Text;
};

TEST_F(SMTPSendTest, CompleteDialogueWithTheWrittenMessage) {
    Start({{"QUIT", "", TSMTPAction::Silent}});
    Smtp.Connect();
    Smtp.Send(Message);
    Smtp.Disconnect();
    const Lines data = WrittenLines();
    ASSERT_GE(data.size(), 2u);
    const Lines received = Received();
    EXPECT_EQ(received,
              Concat({{"EHLO client.test", "RSET", "MAIL FROM:<sender@x.test>", "RCPT TO:<cc1@x.test>",
                       "RCPT TO:<cc2@x.test>", "RCPT TO:<bcc@x.test>", "DATA"},
                      data,
                      {".", "QUIT"}}));
    // The body's own last line, then the lone dot.
    EXPECT_NE(std::find(data.begin(), data.end(), "last line"), data.end());
    EXPECT_NE(std::find(data.begin(), data.end(), "..dot first"), data.end());
}

// A socket that records what each of its sends took.
class TRecordingSocket final : public TNetIOHandlerSocket {
public:
    long SendBytes(const char* data, std::size_t size) override {
        const long sent = TNetIOHandlerSocket::SendBytes(data, size);
        if (sent > 0)
            Writes.emplace_back(data, static_cast<std::size_t>(sent));
        return sent;
    }
    std::vector<std::string> Writes;
};

TEST_F(SMTPSendTest, RecipientsReachTheServerOneMailboxPerItem) {
    // As a row's text holds them: a quoted name with a comma, a local part with a blank and a
    // bracket, an item after them. The header carries the same three.
    SetAddresses(Message.CCList, "\"Doe, John\" <j@x.test>, \"x> NOTIFY=SUCCESS\"@b.example ,k@x.test");
    Message.BccList.Clear();
    Start({});
    Smtp.Connect();
    Smtp.Send(Message);
    const Lines received = Received();
    const Lines commands(received.begin() + 2, received.begin() + 6);
    EXPECT_EQ(commands, (Lines{"MAIL FROM:<sender@x.test>", "RCPT TO:<j@x.test>",
                               "RCPT TO:<\"x> NOTIFY=SUCCESS\"@b.example>", "RCPT TO:<k@x.test>"}));
    EXPECT_NE(std::find(received.begin(), received.end(),
                        "Cc: \"Doe, John\" <j@x.test>, <\"x> NOTIFY=SUCCESS\"@b.example>, k@x.test"),
              received.end());
}

TEST_F(SMTPSendTest, TheFinalDotGoesOutInOneWriteWithTheMessagesLastBlock) {
    TTempDir dir;
    dir.Write("data.bin", std::string(100000, 'x'));
    const std::function<void()> cases[] = {
        [] {},
        // Text lines that make the message exactly two whole blocks long.
        [this] {
            for (std::size_t size = WrittenSize(); size < 65536; size = WrittenSize())
                Text->Body.push_back(std::string(std::min<std::size_t>(65536 - size, 902) - 2, 'y'));
            ASSERT_EQ(WrittenSize(), 65536u);
        },
        [this, &dir] { Message.Parts.AddAttachment(dir.File("data.bin").string()); },
    };
    for (const auto& change : cases) {
        change();
        SCOPED_TRACE(std::to_string(WrittenSize()) + "-byte message");
        Start({});
        TRecordingSocket socket;
        Smtp.SetIOHandler(&socket);
        Smtp.Connect();
        Smtp.Send(Message);
        Smtp.Disconnect();
        TMemorySink sink;
        TNetMessageClient(sink).EmitMessage(Message);

        const auto data = std::find(socket.Writes.begin(), socket.Writes.end(), "DATA\r\n") + 1;
        const auto quit = std::find(socket.Writes.begin(), socket.Writes.end(), "QUIT\r\n");
        ASSERT_LT(data, quit);
        std::string sent;
        for (auto write = data; write != quit; ++write) {
            sent += *write;
            if (write + 1 != quit) {
                EXPECT_EQ(write->size(), 32768u) << "only whole blocks before the last";
            }
        }
        EXPECT_EQ(sent, sink.Text + ".\r\n");
        EXPECT_GT(quit[-1].size(), 3u) << "the final dot has company";
        Smtp.SetIOHandler(nullptr);
    }
}

TEST_F(SMTPSendTest, MailAgentSetsOrRemovesTheMailerHeader) {
    for (const std::string agent : {"Corvalet 1.0", ""}) {
        Start({});
        Message.ExtraHeaders.SetHeaderValue("X-Mailer", "left over");
        Smtp.MailAgent = agent;
        Smtp.Connect();
        Smtp.Send(Message);
        const Lines received = Received();
        const bool hasAgent =
            std::find(received.begin(), received.end(), "X-Mailer: " + agent) != received.end();
        const bool hasOld =
            std::find(received.begin(), received.end(), "X-Mailer: left over") != received.end();
        EXPECT_EQ(hasAgent, !agent.empty()) << agent;
        EXPECT_FALSE(hasOld) << agent;
        EXPECT_EQ(Message.ExtraHeaders.GetHeaderValue("X-Mailer"), agent);
    }
}

TEST_F(SMTPSendTest, MessageThatCannotBeWrittenWholeIsRefusedBeforeAnyCommand) {
    const struct {
        const char* Name;
        std::function<void(TNetMessage&)> Spoil;
    } cases[] = {
        {"missing attachment",
         [](TNetMessage& m) { m.Parts.AddAttachment("/nonexistent/corvalet/report.pdf"); }},
        {"recipient with a line break", [](TNetMessage& m) { m.BccList.Add().Address = "a@x.test\r\nDATA"; }},
        {"sender with NUL", [](TNetMessage& m) { m.From.Address = std::string("a\0@x.test", 9); }},
        {"recipient that is no mailbox", [](TNetMessage& m) { m.BccList.Add().Address = "b@x.test> NOTIFY=SUCCESS"; }},
        {"recipient without a domain", [](TNetMessage& m) { m.BccList.Add().Address = "admin"; }},
        {"sender as a name and an address", [](TNetMessage& m) { m.From.Address = "me <me@x.test>"; }},
        {"body line with a line break",
         [](TNetMessage& m) {
             m.Parts.AddText({"fine", "bad\r\n.\r\nQUIT"}).SetContentType("text/plain");
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        TNetMessage message(Clock);
        message.From = {"sender@x.test", ""};
        SetAddresses(message.BccList, "bcc@x.test");
        c.Spoil(message);
        Start({});
        Smtp.Connect();
        EXPECT_THROW(Smtp.Send(message), std::runtime_error);
        EXPECT_TRUE(Smtp.IsConnected());
        EXPECT_EQ(Received(), (Lines{"EHLO client.test", "QUIT"}));
    }
    Start({});
    Smtp.MailAgent = "agent\r\nBcc: x@y.test";
    Smtp.Connect();
    EXPECT_THROW(Smtp.Send(Message), ENetUnsafeCommandText);
    EXPECT_EQ(Received(), (Lines{"EHLO client.test", "QUIT"}));
}

TEST(EnvelopeTest, ToThenCopiesThenBlindCopiesEachInOrder) {
    TNetMessage message;
    message.From = {"s@x.test", "S"};
    SetAddresses(message.BccList, "b1@x.test, b2@x.test");
    SetAddresses(message.CCList, "C <c1@x.test>");
    SetAddresses(message.Recipients, "t1@x.test, t2@x.test");
    const TNetSMTPEnvelope envelope = EnvelopeOf(message);
    EXPECT_EQ(envelope.From, "s@x.test");
    EXPECT_EQ(envelope.Recipients, (Lines{"t1@x.test", "t2@x.test", "c1@x.test", "b1@x.test", "b2@x.test"}));
}

} // namespace
} // namespace corvalet::test
