// Transactions to a server that offers PIPELINING (commands grouped into one write, every reply
// read and checked before DATA) and to servers that cap the recipients of one message (452).
#include "smtp/SMTP.h"

#include <algorithm>
#include <set>

#include <gtest/gtest.h>

#include "net/IOHandlerSocket.h"
#include "smtp/SMTPExceptions.h"
#include "support/AiosmtpdServer.h"
#include "support/ScriptedHandler.h"

namespace corvalet::test {
namespace {

using Lines = std::vector<std::string>;

const std::string Greeting = "250-server.test greets you\r\n";

// A server played in memory over the scripted handler: it answers each command line as it
// arrives, takes the message after DATA's 354 up to ".", and takes at most MaxRecipients
// recipients per message (452 4.5.3 for the next ones).
class TScriptedPeer {
public:
    explicit TScriptedPeer(bool pipelining) {
        Ehlo = Greeting + (pipelining ? "250-PIPELINING\r\n" : "") + "250 8BITMIME\r\n";
        Handler.Close();
        Handler.EndWithClose = false;
        Handler.PieceSize = 1 << 20;
        Handler.Feed("220 ready\r\n");
        Handler.OnWritten = [this](TScriptedHandler&) { Consume(); };
        Smtp.SetIOHandler(&Handler);
        Smtp.HeloName = "client.test";
        Smtp.ReadTimeout = 50;
    }

    // Replies for command lines that start with the key, before the built-in answers.
    std::vector<std::pair<std::string, std::string>> Rules;
    std::size_t MaxRecipients = 1000;
    // The recipients of each message that the server took.
    std::vector<Lines> Deliveries;
    // Every command line, without the message.
    Lines Commands;
    TScriptedHandler Handler;
    TNetSMTP Smtp;

    // The writes from the first RSET on.
    Lines TransactionWrites() const {
        Lines writes = Handler.Writes();
        const auto first = std::find_if(writes.begin(), writes.end(),
                                        [](const std::string& write) { return write.rfind("RSET", 0) == 0; });
        return Lines(first, writes.end());
    }
    bool AllRepliesRead() { return Handler.Position == Handler.Input.size() && Smtp.InBuffer.Empty(); }

private:
    void Consume() {
        std::size_t end;
        while ((end = Handler.Written.find("\r\n", Parsed)) != std::string::npos) {
            const std::string line = Handler.Written.substr(Parsed, end - Parsed);
            Parsed = end + 2;
            Handler.Feed(Answer(line));
        }
    }

    std::string Answer(const std::string& line) {
        if (InData) {
            if (line != ".")
                return "";
            InData = false;
            const std::string reply = Reply(line, "250 queued\r\n");
            if (reply.rfind("250", 0) == 0)
                Deliveries.push_back(Accepted);
            return reply;
        }
        Commands.push_back(line);
        if (line.rfind("EHLO", 0) == 0)
            return Ehlo;
        if (line == "RSET" || line.rfind("MAIL", 0) == 0)
            Accepted.clear();
        if (line.rfind("RCPT", 0) == 0) {
            if (Accepted.size() >= MaxRecipients)
                return Reply(line, "452 4.5.3 Too many recipients\r\n");
            const std::string reply = Reply(line, "250 OK\r\n");
            if (reply.rfind("25", 0) == 0)
                Accepted.push_back(line.substr(9, line.size() - 10));
            return reply;
        }
        if (line == "DATA") {
            const std::string reply = Reply(line, "354 go on\r\n");
            InData = reply.rfind("354", 0) == 0;
            return reply;
        }
        return Reply(line, "250 OK\r\n");
    }

    std::string Reply(const std::string& line, const std::string& otherwise) const {
        for (const auto& [start, reply] : Rules) {
            if (line.rfind(start, 0) == 0)
                return reply;
        }
        return otherwise;
    }

    std::string Ehlo;
    std::size_t Parsed = 0;
    bool InData = false;
    Lines Accepted;
};

Lines Addresses(std::size_t count) {
    Lines addresses;
    for (std::size_t i = 1; i <= count; ++i)
        addresses.push_back("r" + std::to_string(i) + "@x.test");
    return addresses;
}

std::string Outcome(const std::function<void()>& action) {
    try {
        action();
        return "ok";
    } catch (const ENetProtocolReplyError& error) {
        return "reply " + std::to_string(error.ReplyCode) + ": " + error.what();
    } catch (const std::exception& error) {
        return error.what();
    }
}

const TNetSMTPEnvelope Envelope{"from@x.test", {"a@x.test", "b@x.test", "c@x.test"}};

TEST(SMTPPipeliningTest, EnvelopeLeavesInOneWriteOnlyWhenOffered) {
    const struct {
        bool Offered;
        Lines Writes;
    } cases[] = {
        {true,
         {"RSET\r\nMAIL FROM:<from@x.test>\r\nRCPT TO:<a@x.test>\r\nRCPT TO:<b@x.test>\r\nRCPT TO:<c@x.test>\r\n",
          "DATA\r\n", ".\r\n"}},
        {false,
         {"RSET\r\n", "MAIL FROM:<from@x.test>\r\n", "RCPT TO:<a@x.test>\r\n", "RCPT TO:<b@x.test>\r\n",
          "RCPT TO:<c@x.test>\r\n", "DATA\r\n", ".\r\n"}},
    };
    for (const auto& c : cases) {
        TScriptedPeer peer(c.Offered);
        peer.Smtp.Connect();
        EXPECT_EQ(peer.Smtp.Capabilities.Pipelining(), c.Offered);
        peer.Smtp.SendTransaction(Envelope, nullptr);
        EXPECT_EQ(peer.TransactionWrites(), c.Writes) << c.Offered;
        // The group is written whole before the client reads a single reply to it.
        const auto& transcript = peer.Handler.Transcript;
        const auto group = std::find_if(transcript.begin(), transcript.end(),
                                        [](const auto& event) { return event.Bytes.rfind("RSET", 0) == 0; });
        ASSERT_NE(group, transcript.end());
        ASSERT_NE(group + 1, transcript.end());
        EXPECT_FALSE(group[1].Write);
        EXPECT_EQ(group[1].Bytes.rfind("250 OK\r\n", 0), 0u);
        EXPECT_EQ(peer.Deliveries, (std::vector<Lines>{Envelope.Recipients}));
    }
}

TEST(SMTPPipeliningTest, RefusalInAGroupFailsAsBeforeAfterEveryReplyWasRead) {
    const struct {
        const char* Name;
        std::pair<std::string, std::string> Rule;
        std::string Outcome;
    } cases[] = {
        {"recipient in the middle", {"RCPT TO:<b@", "550 5.1.1 No such user\r\n"}, "reply 550: 5.1.1 No such user\r\n"},
        {"sender, the first reply", {"MAIL", "553 Not allowed\r\n"}, "reply 553: Not allowed\r\n"},
        {"last recipient", {"RCPT TO:<c@", "451 Try later\r\n"}, "reply 451: Try later\r\n"},
    };
    for (const auto& c : cases) {
        TScriptedPeer peer(true);
        peer.Rules = {c.Rule};
        peer.Smtp.Connect();
        EXPECT_EQ(Outcome([&] { peer.Smtp.SendTransaction(Envelope, nullptr); }), c.Outcome) << c.Name;
        EXPECT_EQ(std::count(peer.Commands.begin(), peer.Commands.end(), "DATA"), 0) << c.Name;
        EXPECT_TRUE(peer.AllRepliesRead()) << c.Name;
        // No reply of the failed group is left over to be taken for the next command's.
        peer.Rules.clear();
        EXPECT_EQ(Outcome([&] { peer.Smtp.SendTransaction(Envelope, nullptr); }), "ok") << c.Name;
        EXPECT_EQ(peer.Deliveries, (std::vector<Lines>{Envelope.Recipients})) << c.Name;
    }
}

TEST(SMTPPipeliningTest, CappedRecipientsGetTheMessageInFurtherTransactions) {
    const Lines all = Addresses(250);
    for (const bool pipelining : {true, false}) {
        TScriptedPeer peer(pipelining);
        peer.MaxRecipients = 100;
        peer.Smtp.Connect();
        peer.Smtp.SendTransaction({"from@x.test", all}, nullptr);
        ASSERT_EQ(peer.Deliveries.size(), 3u) << pipelining;
        EXPECT_EQ(peer.Deliveries[0], Lines(all.begin(), all.begin() + 100));
        EXPECT_EQ(peer.Deliveries[1], Lines(all.begin() + 100, all.begin() + 200));
        EXPECT_EQ(peer.Deliveries[2], Lines(all.begin() + 200, all.end()));
        EXPECT_EQ(std::count(peer.Commands.begin(), peer.Commands.end(), "RSET"), 3);
        EXPECT_EQ(std::count(peer.Commands.begin(), peer.Commands.end(), "DATA"), 3);
        // Command by command, the client stops at the first 452: each address is offered at most
        // twice (once turned away, once taken).
        if (!pipelining) {
            EXPECT_EQ(std::count_if(peer.Commands.begin(), peer.Commands.end(),
                                    [](const std::string& line) { return line.rfind("RCPT", 0) == 0; }),
                      252);
        }
    }
}

TEST(SMTPPipeliningTest, EnhancedCode453CapsToo) {
    TScriptedPeer peer(false);
    peer.Rules = {{"RCPT TO:<c@", "451 4.5.3 Too many recipients for one message\r\n"}};
    peer.Smtp.Connect();
    // The rule answers c@ so every time: a clear error once it is the first of its transaction.
    EXPECT_EQ(Outcome([&] { peer.Smtp.SendTransaction(Envelope, nullptr); }),
              "The server takes no recipient for this message: 451 4.5.3 Too many recipients for one message "
              "(after the message went to 2 of 3 recipients; not sent to: c@x.test)");
    EXPECT_EQ(peer.Deliveries, (std::vector<Lines>{{"a@x.test", "b@x.test"}}));
}

TEST(SMTPPipeliningTest, CapOnTheFirstRecipientIsAClearErrorWithoutData) {
    for (const bool pipelining : {true, false}) {
        TScriptedPeer peer(pipelining);
        peer.MaxRecipients = 0;
        peer.Smtp.Connect();
        EXPECT_EQ(Outcome([&] { peer.Smtp.SendTransaction(Envelope, nullptr); }),
                  "reply 452: The server takes no recipient for this message: 452 4.5.3 Too many recipients");
        EXPECT_EQ(std::count(peer.Commands.begin(), peer.Commands.end(), "DATA"), 0);
        EXPECT_TRUE(peer.Deliveries.empty());
    }
}

TEST(SMTPPipeliningTest, FailureInALaterTransactionNamesWhoDidNotGetTheMessage) {
    TScriptedPeer peer(true);
    peer.MaxRecipients = 2;
    peer.Smtp.Connect();
    int messages = 0;
    const auto writeMessage = [&] {
        // The second message is refused at its end.
        if (++messages == 2)
            peer.Rules = {{".", "554 5.6.0 Refused\r\n"}};
    };
    try {
        peer.Smtp.SendTransaction({"from@x.test", Addresses(5)}, writeMessage);
        FAIL() << "the second message was refused";
    } catch (const ENetPartialDelivery& failure) {
        EXPECT_EQ(failure.ReplyCode, 554);
        EXPECT_EQ(failure.Delivered, (Lines{"r1@x.test", "r2@x.test"}));
        // r5 was never offered: it did not get the message either.
        EXPECT_EQ(failure.Undelivered, (Lines{"r3@x.test", "r4@x.test", "r5@x.test"}));
        EXPECT_STREQ(failure.what(), "5.6.0 Refused (after the message went to 2 of 5 recipients; not sent to: "
                                     "r3@x.test, r4@x.test, r5@x.test)");
    }
    EXPECT_EQ(peer.Deliveries.size(), 1u);
}

// A socket handler that keeps the bytes of each write.
class TRecordingSocketHandler final : public TNetIOHandlerSocket {
public:
    long SendBytes(const char* data, std::size_t size) override {
        const long sent = TNetIOHandlerSocket::SendBytes(data, size);
        if (sent > 0)
            Writes.emplace_back(data, static_cast<std::size_t>(sent));
        return sent;
    }
    Lines Writes;
};

TEST(SMTPPipeliningTest, AgainstARealServer) {
    const Lines recipients = Addresses(300);
    for (const bool offered : {true, false}) {
        TAiosmtpdServer server(offered ? Lines{"--pipelining", "always"} : Lines{});
        TRecordingSocketHandler handler;
        TNetSMTP smtp;
        smtp.SetIOHandler(&handler);
        smtp.Host = "127.0.0.1";
        smtp.Port = server.Port();
        smtp.ReadTimeout = 5000;
        smtp.Connect();
        smtp.SendTransaction({"from@x.test", recipients}, [&] { smtp.WriteLine("Subject: many"); });
        smtp.Disconnect();
        ASSERT_TRUE(server.WaitForDelivery(1));
        Lines expected{"from@x.test"};
        expected.insert(expected.end(), recipients.begin(), recipients.end());
        EXPECT_EQ(server.Envelope(1), expected);
        const auto rset = std::find(handler.Writes.begin(), handler.Writes.end(), "RSET\r\n");
        const auto data = std::find(handler.Writes.begin(), handler.Writes.end(), "DATA\r\n");
        ASSERT_NE(data, handler.Writes.end());
        if (offered) {
            // RSET, MAIL FROM and 300 RCPT TO in one write.
            ASSERT_EQ(data - handler.Writes.begin(), 2);
            EXPECT_EQ(handler.Writes[1].rfind("RSET\r\nMAIL FROM:<from@x.test>\r\nRCPT TO:<r1@x.test>\r\n", 0), 0u);
            EXPECT_EQ(std::count(handler.Writes[1].begin(), handler.Writes[1].end(), '\n'), 302);
        } else {
            ASSERT_NE(rset, handler.Writes.end());
            EXPECT_EQ(data - rset, 302);
        }
    }
}

} // namespace
} // namespace corvalet::test
