#include "net/TCPClient.h"

#include <gtest/gtest.h>

#include "net/IOHandlerSocket.h"
#include "net/Stack.h"
#include "NetFixtures.h"

namespace corvalet::test {
namespace {

TNetSocketHandle& HandleOf(TNetTCPClient& client) {
    return *dynamic_cast<TNetIOHandlerSocket&>(*client.IOHandler()).SocketHandle();
}

class TCPClientTest : public ::testing::Test {
protected:
    TCPClientTest() {
        // No name ever leaves the machine: lookups are answered here and recorded.
        TheStack()->Resolver = [this](const std::string& name, std::uint32_t& address) {
            Lookups += name + ";";
            address = LoopbackAddress;
            return name == "unknown.test" ? SocketErrorCode::HostNotFound : 0;
        };
        Client.Host = "127.0.0.1";
        Client.OnStatus = [this](TNetComponent&, TNetStatus, const std::string& text) {
            Statuses += text + "|";
        };
    }

    TNetTCPClient Client;
    std::string Lookups;
    std::string Statuses;
};

TEST_F(TCPClientTest, ConnectReportsItsStepsAndRecordsBothEnds) {
    TLoopbackServer server(Reply("220 hello\r\n"));
    Client.Host = "LocalHost";
    Client.Port = server.Port();
    Client.Connect();
    EXPECT_TRUE(Client.IsConnected());
    EXPECT_EQ(Statuses, "Resolving hostname LocalHost.|Connecting to 127.0.0.1.|Connected.|");
    EXPECT_EQ(Lookups, ""); // localhost needs no lookup
    const TNetSocketHandle& handle = HandleOf(Client);
    EXPECT_EQ(handle.PeerAddress, "127.0.0.1");
    EXPECT_EQ(handle.PeerPort, server.Port());
    EXPECT_EQ(handle.IP, "127.0.0.1");
    EXPECT_NE(handle.Port, 0);
    EXPECT_EQ(Client.ReadLine(), "220 hello"); // nothing was read before
    Statuses.clear();
    Client.Disconnect();
    EXPECT_EQ(Statuses, "Disconnecting.|Disconnected.|");
    EXPECT_FALSE(Client.IsConnected());
}

TEST_F(TCPClientTest, ShortNumericFormAndLookedUpNamesConnect) {
    TLoopbackServer server(Reply("220 hello\r\n"));
    Client.Port = server.Port();
    Client.Host = "127.1";
    Client.Connect();
    EXPECT_EQ(Client.ReadLine(), "220 hello");
    Client.Disconnect();

    Client.Host = "mail.test";
    Client.Connect();
    EXPECT_EQ(Lookups, "mail.test;");
    EXPECT_EQ(HandleOf(Client).PeerAddress, "127.0.0.1");
    EXPECT_EQ(Client.ReadLine(), "220 hello");
}

TEST_F(TCPClientTest, NamesThatDoNotResolveFailWithTheResolversCodeAndAReason) {
    TheStack()->Resolver = [](const std::string& name, std::uint32_t&) {
        return name == "unknown.test" ? SocketErrorCode::HostNotFound : SocketErrorCode::TryAgain;
    };
    const struct {
        const char* Host;
        int Timeout; // with a time-out, the lookup runs on a thread of its own
        int Code;
        const char* Message;
    } cases[] = {
        {"unknown.test", -1, 11001, "Socket Error # 11001\r\nHost not found."},
        {"unknown.test", 1000, 11001, "Socket Error # 11001\r\nHost not found."},
        {"busy.test", 1000, 11002,
         "Socket Error # 11002\r\nThe name server did not answer in time; try again later."},
    };
    for (const auto& c : cases) {
        Client.Host = c.Host;
        Client.Port = 25;
        try {
            Client.Connect(c.Timeout);
            FAIL() << c.Host;
        } catch (const ENetSocketError& error) {
            EXPECT_EQ(error.ErrorCode, c.Code);
            EXPECT_STREQ(error.what(), c.Message);
        }
        EXPECT_FALSE(Client.IsConnected());
    }
}

TEST_F(TCPClientTest, RefusedConnectCarriesItsCodeAndTheClientCanConnectAgain) {
    const TOwnedSocket closedPort = BindLoopback(false);
    Client.Port = LocalPort(closedPort);
    for (const int timeout : {-1, 1000}) {
        try {
            Client.Connect(timeout);
            FAIL() << timeout;
        } catch (const ENetSocketError& error) {
            EXPECT_EQ(error.ErrorCode, 10061);
            EXPECT_STREQ(error.what(), "Socket Error # 10061\r\nConnection refused.");
        }
        EXPECT_FALSE(Client.IsConnected());
    }

    TLoopbackServer server(Reply("220 again\r\n"));
    Client.Port = server.Port();
    Client.Connect();
    EXPECT_EQ(Client.ReadLine(), "220 again");
}

TEST_F(TCPClientTest, PortNumbersOutsideTheTCPRangeAreRefusedBeforeAnySocketWork) {
    struct Case {
        int port;
        int boundPort;
        const char* message;
    };
    const Case cases[] = {
        {70000, 0, "70000 is not a valid port number (1 to 65535)."},
        {0, 0, "0 is not a valid port number (1 to 65535)."},
        {-25, 0, "-25 is not a valid port number (1 to 65535)."},
        {25, 65536, "65536 is not a valid port number (1 to 65535)."},
    };
    for (const auto& c : cases) {
        Client.Port = c.port;
        Client.BoundPort = c.boundPort;
        try {
            Client.Connect(1000);
            FAIL() << c.port;
        } catch (const ENetInvalidPort& error) {
            EXPECT_STREQ(error.what(), c.message);
        }
        EXPECT_FALSE(Client.IsConnected());
    }
    EXPECT_EQ(Lookups, "");
    EXPECT_EQ(Statuses, "");
}

TEST_F(TCPClientTest, BoundPortHeldByAListenerCannotBeBoundAndNothingIsLookedUp) {
    const TOwnedSocket listener = BindLoopback(true);
    TLoopbackServer server(Reply(""));
    for (const char* boundIP : {"", "127.0.0.1"}) {
        Client.Host = "mail.test";
        Client.Port = server.Port();
        Client.BoundIP = boundIP;
        Client.BoundPort = LocalPort(listener);
        Statuses.clear();
        EXPECT_EQ(MessageOf<ENetCouldNotBindSocket>([&] { Client.Connect(); }),
                  "Could not bind socket. Address and port are already in use.")
            << boundIP;
        EXPECT_EQ(Lookups, "") << boundIP;
        EXPECT_EQ(Statuses, "") << boundIP;
        EXPECT_FALSE(Client.IsConnected());
    }
}

TEST_F(TCPClientTest, FreeBoundPortBecomesTheLocalEnd) {
    TLoopbackServer server(Reply("220 hi\r\n"));
    int freePort = 0;
    {
        const TOwnedSocket probe = BindLoopback(false);
        freePort = LocalPort(probe);
    }
    Client.Port = server.Port();
    Client.BoundIP = "127.0.0.1";
    Client.BoundPort = freePort;
    Client.Connect();
    EXPECT_EQ(HandleOf(Client).Port, freePort);
    EXPECT_EQ(Client.ReadLine(), "220 hi");
}

TEST_F(TCPClientTest, ConnectToAQueueThatDropsAttemptsTimesOut) {
    const TFullLoopbackListener full;
    Client.Port = full.Port();
    const long elapsed = ElapsedMs([&] {
        EXPECT_EQ(MessageOf<ENetConnectTimeout>([&] { Client.Connect(300); }), "Connect timed out.");
    });
    EXPECT_GE(elapsed, 280);
    EXPECT_LT(elapsed, 1500);
    EXPECT_FALSE(Client.IsConnected());
}

TEST_F(TCPClientTest, SecondConnectOnAnOpenConnectionFails) {
    TLoopbackServer server(Reply(""));
    Client.Port = server.Port();
    Client.Connect();
    EXPECT_EQ(MessageOf<ENetAlreadyConnected>([&] { Client.Connect(); }), "Already connected.");
    EXPECT_TRUE(Client.IsConnected()); // the open connection is left alone
}

TEST_F(TCPClientTest, DisconnectOnAClosedConnectionIsSilent) {
    int disconnects = 0;
    Client.OnDisconnected = [&](TNetComponent&) { ++disconnects; };
    Client.Disconnect(); // never connected
    TLoopbackServer server(Reply(""));
    Client.Port = server.Port();
    Client.Connect();
    Client.Disconnect();
    EXPECT_EQ(disconnects, 1);
    Statuses.clear();
    Client.Disconnect();
    Client.Disconnect();
    EXPECT_EQ(Statuses, "");
    EXPECT_EQ(disconnects, 1);
}

TEST_F(TCPClientTest, PeerCloseIsNoticedOnceAndUnreadInputSurvivesDisconnectUntilTheNextConnect) {
    int disconnects = 0;
    Client.OnDisconnected = [&](TNetComponent&) { ++disconnects; };
    TLoopbackServer server(Reply("one\r\ntwo\r\n", TAfterReply::Close));
    Client.Port = server.Port();
    Client.Connect();
    EXPECT_EQ(Client.ReadLine(), "one");
    ASSERT_TRUE(server.WaitForConnectionsEnded(1));
    // The close has been received: reading on finds it, and the buffered line is still there.
    while (Client.FillInputBuffer(false, 1000, true) > 0) {
    }
    EXPECT_FALSE(Client.IsConnected());
    EXPECT_EQ(disconnects, 1);
    EXPECT_EQ(Client.ReadLine(), "two");
    Client.Disconnect();
    EXPECT_EQ(disconnects, 1);

    Client.Connect();
    EXPECT_EQ(Client.InBuffer.Size(), 0u);
    EXPECT_EQ(Client.ReadLine(), "one");
}

TEST_F(TCPClientTest, ConnectedEventFollowsTheConnectedStatus) {
    TLoopbackServer server(Reply(""));
    Client.Port = server.Port();
    Client.OnConnected = [&](TNetComponent&) { Statuses += "event|"; };
    Client.Connect();
    EXPECT_EQ(Statuses, "Connecting to 127.0.0.1.|Connected.|event|");
}

} // namespace
} // namespace corvalet::test
