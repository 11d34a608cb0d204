#include "net/TCPConnection.h"

#include <atomic>
#include <thread>

#include <gtest/gtest.h>

#include "net/TCPStream.h"
#include "NetFixtures.h"

namespace corvalet::test {
namespace {

using Lines = std::vector<std::string>;

// Reads `count` lines with the default terminator.
Lines ReadLines(TNetTCPConnection& connection, std::size_t count) {
    Lines lines;
    for (std::size_t i = 0; i < count; ++i)
        lines.push_back(connection.ReadLine());
    return lines;
}

TEST(ReadLineTest, LineEndings) {
    const struct {
        const char* Bytes;
        Lines Expected;
    } cases[] = {
        {"250 OK\r\n", {"250 OK"}}, {"250 OK\n", {"250 OK"}},
        {"250\rOK\n", {"250\rOK"}}, {"a\r\r\n", {"a\r"}},
        {"\r\n\n", {"", ""}},       {"first\nsecond\r\nthird\n", {"first", "second", "third"}},
    };
    for (const auto& c : cases) {
        TLoopbackSession session(Reply(c.Bytes));
        EXPECT_EQ(ReadLines(session.Client, c.Expected.size()), c.Expected) << c.Bytes;
    }
}

TEST(ReadLineTest, TerminatorCutInTwoByTheNetworkIsFound) {
    TLoopbackSession session([](TLoopbackPeer& peer) {
        peer.Send("abc\r");
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        peer.Send("\nrest\r\n");
        peer.WaitForClose();
    });
    EXPECT_EQ(session.Client.ReadLine("\r\n"), "abc");
    EXPECT_EQ(session.Client.ReadLine("\r\n"), "rest");
}

TEST(ReadLineTest, OwnTerminatorKeepsCarriageReturns) {
    TLoopbackSession session(Reply("one\r.two."));
    EXPECT_EQ(session.Client.ReadLine("."), "one\r");
    EXPECT_EQ(session.Client.ReadLine("."), "two");
}

TEST(ReadLineTest, MaximumLineLength) {
    constexpr int Max = 16384;
    const std::string full(Max, 'x');
    const struct {
        const char* Name;
        std::string Bytes;
        TNetMaxLineAction Action;
        const char* Error; // null: the line is returned
        std::string Line;
        bool Split;
    } cases[] = {
        {"exactly the maximum with CR", std::string(Max - 1, 'x') + "\r\n", TNetMaxLineAction::maException,
         nullptr, std::string(Max - 1, 'x'), false},
        {"exactly the maximum", full + "\n", TNetMaxLineAction::maException, nullptr, full, false},
        {"one more", full + "\r\n", TNetMaxLineAction::maException, "Max line length exceeded.", "", false},
        {"one more, split", full + "\r\n", TNetMaxLineAction::maSplit, nullptr, full, true},
        {"no line end", full + "y", TNetMaxLineAction::maException, "Max line length exceeded.", "", false},
        {"no line end, split", full + "y", TNetMaxLineAction::maSplit, nullptr, full, true},
    };
    for (const auto& c : cases) {
        TLoopbackSession session(Reply(c.Bytes));
        session.Client.MaxLineAction = c.Action;
        // The server stays silent after its bytes: a read that waited for more would wait the
        // whole read time-out, so the time shows that no further wait happened.
        long elapsed = 0;
        if (c.Error != nullptr) {
            elapsed = ElapsedMs([&] {
                EXPECT_EQ(MessageOf<ENetReadLnMaxLineLengthExceeded>([&] { session.Client.ReadLine(); }),
                          c.Error)
                    << c.Name;
            });
        } else {
            elapsed = ElapsedMs([&] { EXPECT_EQ(session.Client.ReadLine(), c.Line) << c.Name; });
            EXPECT_EQ(session.Client.LineWasSplit, c.Split) << c.Name;
        }
        EXPECT_LT(elapsed, 1500) << c.Name;
    }
}

TEST(ReadLineTest, SplitLineLeavesTheRestForTheNextRead) {
    TLoopbackSession session(Reply("abcdefgh\r\nnext\r\n"));
    session.Client.MaxLineAction = TNetMaxLineAction::maSplit;
    EXPECT_EQ(session.Client.ReadLine("\n", -1, 5), "abcde");
    EXPECT_TRUE(session.Client.LineWasSplit);
    EXPECT_EQ(session.Client.ReadLine("\n", -1, 5), "fgh");
    EXPECT_FALSE(session.Client.LineWasSplit);
    EXPECT_EQ(session.Client.ReadLine("\n", -1, 0), "next");
}

TEST(ReadLineTest, CompleteLineThenCloseIsReturnedAndTheNextReadReportsTheClose) {
    TLoopbackSession session(Reply("250 OK\r\n", TAfterReply::Close));
    EXPECT_EQ(session.Client.ReadLine(), "250 OK");
    EXPECT_EQ(MessageOf<ENetConnClosedGracefully>([&] { session.Client.ReadLine(); }),
              "Connection Closed Gracefully.");
    EXPECT_FALSE(session.Client.IsConnected());
}

TEST(ReadLineTest, UnterminatedTailThenCloseReportsTheClose) {
    TLoopbackSession session(Reply("250 unfinished", TAfterReply::Close));
    EXPECT_EQ(MessageOf<ENetConnClosedGracefully>([&] { session.Client.ReadLine(); }),
              "Connection Closed Gracefully.");
    EXPECT_FALSE(session.Client.IsConnected());
}

TEST(ReadLineTest, DefaultTimeoutRaisesAndExplicitTimeoutReturnsEmpty) {
    TLoopbackSession session(Reply(""));
    session.Client.ReadTimeout = 100;
    long elapsed = ElapsedMs(
        [&] { EXPECT_EQ(MessageOf<ENetReadTimeout>([&] { session.Client.ReadLine(); }), "Read Timeout"); });
    EXPECT_GE(elapsed, 90);
    EXPECT_LT(elapsed, 1500);

    elapsed = ElapsedMs([&] { EXPECT_EQ(session.Client.ReadLine("\n", 50), ""); });
    EXPECT_TRUE(session.Client.LineTimedOut);
    EXPECT_GE(elapsed, 40);
    EXPECT_TRUE(session.Client.IsConnected());
}

TEST(ReadLineTest, TimedOutLineIsClearedByTheNextSuccessfulRead) {
    TLoopbackSession session([](TLoopbackPeer& peer) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        peer.Send("late\r\n");
        peer.WaitForClose();
    });
    EXPECT_EQ(session.Client.ReadLine("\n", 10), "");
    EXPECT_TRUE(session.Client.LineTimedOut);
    EXPECT_EQ(session.Client.ReadLine(), "late");
    EXPECT_FALSE(session.Client.LineTimedOut);
}

TEST(ReadLineTest, ReadingAClosedConnection) {
    TNetTCPClient never;
    EXPECT_EQ(MessageOf<ENetNotConnected>([&] { never.ReadLine(); }), "Not Connected");

    TLoopbackSession session(Reply("left\r\n"));
    session.Client.Disconnect();
    EXPECT_EQ(MessageOf<ENetConnClosedGracefully>([&] { session.Client.ReadLine(); }),
              "Connection Closed Gracefully.");
}

TEST(ReadLineTest, ResetWhileReadingIsReportedOnceAndDropsTheSocket) {
    TLoopbackSession session([](TLoopbackPeer& peer) {
        std::string line;
        peer.ReadLine(line);
        peer.Reset();
    });
    session.Client.WriteLine("NOOP");
    try {
        session.Client.ReadLine();
        ADD_FAILURE() << "no failure";
    } catch (const ENetSocketError& error) {
        EXPECT_EQ(error.ErrorCode, 10054);
        EXPECT_STREQ(error.what(), "Socket Error # 10054\r\nConnection reset by peer.");
    }
    EXPECT_FALSE(session.Client.IsConnected());
    EXPECT_NO_THROW(session.Client.Disconnect());
}

TEST(ReadNonEmptyLineTest, SkipsBlankLinesAndTrims) {
    TLoopbackSession session(Reply("\r\n \t \r\n  250 ok \r\n\r\n"));
    EXPECT_EQ(session.Client.ReadNonEmptyLine(10), "250 ok");
    EXPECT_EQ(session.Client.ReadNonEmptyLine(1), ""); // one attempt, one empty line
}

TEST(WriteTest, TextLinesAndBytesReachThePeerAsWritten) {
    TLoopbackSession session(Reply(""));
    TNetTCPClient& client = session.Client;
    client.WriteText("");
    client.WriteText("HELO x\r\n");
    client.WriteLine("MAIL FROM:<a@b.test>");
    client.WriteLines({"one", "", "two"});
    client.WriteBytes("\0\x01z", 3);
    TNetTCPStream stream(client);
    EXPECT_EQ(stream.Write("end", 3), 3u);
    EXPECT_EQ(stream.Seek(0, 0), -1);
    client.Disconnect();
    ASSERT_TRUE(session.Server.WaitForConnectionsEnded(1));
    EXPECT_EQ(session.Server.Received().at(0),
              std::string("HELO x\r\nMAIL FROM:<a@b.test>\r\none\r\n\r\ntwo\r\n\0\x01zend", 48));
}

TEST(WriteTest, WritingWithoutAConnection) {
    TNetTCPClient never;
    EXPECT_EQ(MessageOf<ENetNotConnected>([&] { never.WriteLine("QUIT"); }), "Not Connected");
    never.WriteText(""); // nothing to write: no failure

    TLoopbackSession session(Reply(""));
    session.Client.Disconnect();
    EXPECT_EQ(MessageOf<ENetConnClosedGracefully>([&] { session.Client.WriteLine("QUIT"); }),
              "Connection Closed Gracefully.");
}

TEST(WriteTest, WritingToAPeerThatClosedFailsWithTheSocketErrorAndDropsTheSocket) {
    TLoopbackSession session(Reply("", TAfterReply::Close));
    ASSERT_TRUE(session.Server.WaitForConnectionsEnded(1));
    const std::string chunk(65536, 'x');
    try {
        for (int i = 0; i < 100; ++i)
            session.Client.WriteBytes(chunk.data(), chunk.size());
        FAIL() << "writes kept succeeding";
    } catch (const ENetSocketError& error) {
        EXPECT_TRUE(error.ErrorCode == 10058 || error.ErrorCode == 10054) << error.what();
    } catch (const ENetConnClosedGracefully&) {
        // the close was seen before the write: just as good
    }
    EXPECT_FALSE(session.Client.IsConnected());
}

TEST(WriteTest, WritesReportTheirProgress) {
    TLoopbackSession session(Reply(""));
    std::int64_t total = 0;
    session.Client.OnWork = [&](TNetComponent&, TWorkMode mode, std::int64_t count) {
        if (mode == TWorkMode::wmWrite)
            total = count;
    };
    session.Client.WorkStart(TWorkMode::wmWrite, 0);
    session.Client.WriteLine("12345678");
    session.Client.WriteText("ab");
    session.Client.WorkStop(TWorkMode::wmWrite);
    EXPECT_EQ(total, 12);
}

TEST(TCPStreamTest, ReadWaitsForTheWholeCount) {
    TLoopbackSession session([](TLoopbackPeer& peer) {
        peer.Send("abc");
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        peer.Send("defg");
        peer.WaitForClose();
    });
    TNetTCPStream stream(session.Client);
    char buffer[6] = {};
    EXPECT_EQ(stream.Read(buffer, 6), 6u);
    EXPECT_EQ(std::string(buffer, 6), "abcdef");
}

// What only the wire shows of a reply: blank lines, bare LF line ends and a reply that arrives in
// pieces, its line ends cut in two. The parsing of the lines has tests of its own.
TEST(ReadReplyTest, RepliesFromTheWire) {
    const struct {
        std::vector<std::string> Pieces;
        int Code;
        Lines Text;
    } cases[] = {
        {{"\r\n   \r\n\r\n220 ready\r\n"}, 220, {"ready"}},
        {{"250-first\r\n\r\n250 last\r\n"}, 250, {"first", "last"}},
        {{"250-first\n250 last\n"}, 250, {"first", "last"}},
        {{"250-fir", "st\r", "\n250", " last\r", "\n"}, 250, {"first", "last"}},
    };
    for (const auto& c : cases) {
        TLoopbackSession session([&c](TLoopbackPeer& peer) {
            for (const std::string& piece : c.Pieces) {
                peer.Send(piece);
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
            peer.WaitForClose();
        });
        EXPECT_EQ(session.Client.ReadReply({}), c.Code) << c.Pieces.front();
        EXPECT_EQ(session.Client.LastReply.Text, c.Text) << c.Pieces.front();
    }
}

TEST(ReadReplyTest, EndlessReplyIsCutWithAClearErrorAndTheConnectionDropped) {
    const struct {
        const char* Name;
        std::string Line;
        std::size_t MaxLines;
        std::size_t MaxBytes;
    } cases[] = {
        {"too many lines", "250-more\r\n", 50, 1024 * 1024},
        {"too many bytes", "250-" + std::string(1000, 'x') + "\r\n", 1000, 20000},
        {"endless blank lines", "\r\n", 1000, 20000},
    };
    for (const auto& c : cases) {
        TLoopbackSession session([&c](TLoopbackPeer& peer) {
            std::string burst;
            for (int i = 0; i < 100; ++i)
                burst += c.Line;
            for (int i = 0; i < 1000 && peer.Received().find("QUIT") == std::string::npos; ++i)
                peer.Send(burst);
        });
        session.Client.MaxReplyLines = c.MaxLines;
        session.Client.MaxReplyBytes = c.MaxBytes;
        EXPECT_EQ(MessageOf<ENetReplyTooLong>([&] { session.Client.ReadReply({250}); }),
                  "The server's reply is longer than " + std::to_string(c.MaxLines) + " lines or " +
                      std::to_string(c.MaxBytes) + " bytes.")
            << c.Name;
        EXPECT_FALSE(session.Client.IsConnected()) << c.Name;
    }
}

// A server that sends a byte or a line now and then, each well within the read time-out, cannot
// keep a line or a reply going for ever: the whole of it has to come within the time-out.
TEST(ReadReplyTest, TrickledLineOrReplyEndsAtTheReadTimeout) {
    const struct {
        const char* Name;
        std::string Start;
        std::string Piece;
        bool WholeReply;
    } cases[] = {
        {"a reply's line a byte at a time", "250-", "x", true},
        {"a reply a line at a time", "", "250-more\r\n", true},
        {"a line a byte at a time", "", "x", false},
    };
    for (const auto& c : cases) {
        std::atomic<bool> stop{false};
        TLoopbackSession session([&c, &stop](TLoopbackPeer& peer) {
            peer.Send(c.Start);
            // Long enough to outlast the time-out many times over, and still bounded.
            for (int i = 0; i < 400 && !stop; ++i) {
                peer.Send(c.Piece);
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
            peer.Send("\r\n250 end\r\n");
            peer.WaitForClose();
        });
        session.Client.ReadTimeout = 100;
        EXPECT_EQ(MessageOf<ENetReadTimeout>([&] {
                      if (c.WholeReply)
                          session.Client.ReadReply({250});
                      else
                          session.Client.ReadLine();
                  }),
                  "Read Timeout")
            << c.Name;
        stop = true;
    }
}

TEST(ReadReplyTest, BlankLinesBetweenRepliesBelongToNeither) {
    TLoopbackSession session(Reply("250 one\r\n\r\n \r\n251-two\r\n251 three\r\n"));
    EXPECT_EQ(session.Client.ReadReply({250}), 250);
    EXPECT_EQ(session.Client.LastReply.Text, Lines{"one"});
    EXPECT_EQ(session.Client.ReadReply({251}), 251);
    EXPECT_EQ(session.Client.LastReply.Text, (Lines{"two", "three"}));
}

TEST(ReadReplyTest, ExpectedCodes) {
    const struct {
        const char* Bytes;
        std::vector<int> Expected;
        int Code; // -1: ENetProtocolReplyError
    } cases[] = {
        {"251 forwarded\r\n", {250, 251}, 251},
        {"252 cannot verify\r\n", {250, 251}, -1},
        {"500 what\r\n", {}, 500},
        {"abc\r\n", {}, 0},
        {"abc\r\n", {250}, -1},
    };
    for (const auto& c : cases) {
        TLoopbackSession session(Reply(c.Bytes));
        if (c.Code >= 0) {
            EXPECT_EQ(session.Client.ReadReply(c.Expected), c.Code) << c.Bytes;
            continue;
        }
        try {
            session.Client.ReadReply(c.Expected);
            ADD_FAILURE() << c.Bytes;
        } catch (const ENetProtocolReplyError& error) {
            EXPECT_EQ(error.ReplyCode, session.Client.LastReply.NumericCode()) << c.Bytes;
        }
    }
}

TEST(ReadReplyTest, ReplyErrorMessageIsTheReplyTextWithALineBreakAfterEachLine) {
    const struct {
        const char* Bytes;
        int Code;
        const char* Message;
    } cases[] = {
        {"550 No such user\r\n", 550, "No such user\r\n"},
        {"550-No such\r\n550 user here\r\n", 550, "No such\r\nuser here\r\n"},
        {"554\r\n", 554, "\r\n"},
    };
    for (const auto& c : cases) {
        TLoopbackSession session(Reply(c.Bytes));
        try {
            session.Client.ReadReply({250});
            ADD_FAILURE() << c.Bytes;
        } catch (const ENetProtocolReplyError& error) {
            EXPECT_EQ(error.ReplyCode, c.Code);
            EXPECT_EQ(std::string(error.what()), c.Message);
        }
    }
}

TEST(SendCommandTest, WritesTheLineAndChecksTheReply) {
    TLoopbackSession session([](TLoopbackPeer& peer) {
        std::string line;
        while (peer.ReadLine(line))
            peer.Send(line == "VRFY x" ? "550 no\r\n" : "250 got " + line + "\r\n");
    });
    TNetTCPClient& client = session.Client;
    EXPECT_EQ(client.SendCommand("NOOP", 250), 250);
    EXPECT_EQ(client.SendCommand("RSET", {250, 251}), 250);
    EXPECT_EQ(client.SendCommand("VRFY x"), 550); // any code
    EXPECT_EQ(client.SendCommand("VRFY x", {}), 550);
    EXPECT_THROW(client.SendCommand("VRFY x", 250), ENetProtocolReplyError);
    EXPECT_EQ(client.LastReply.Text, Lines{"no"});
}

TEST(ReadReplyTest, FailuresWhileReadingPassThroughAndKeepThePreviousReply) {
    TLoopbackSession session(Reply("250 first\r\n250-unfinished\r\n", TAfterReply::Close));
    session.Client.ReadReply({250});
    EXPECT_THROW(session.Client.ReadReply({250}), ENetConnClosedGracefully);
    EXPECT_EQ(session.Client.LastReply.Text, Lines{"first"});
}

} // namespace
} // namespace corvalet::test

namespace corvalet::test {
namespace {

TEST(TCPStreamTest, ReadPastWhatArrivedBeforeTheCloseReportsTheClose) {
    TLoopbackSession session(Reply("abc", TAfterReply::Close));
    TNetTCPStream stream(session.Client);
    char buffer[6] = {};
    EXPECT_EQ(MessageOf<ENetConnClosedGracefully>([&] { stream.Read(buffer, 6); }),
              "Connection Closed Gracefully.");
}

} // namespace
} // namespace corvalet::test
