#include "net/AntiFreeze.h"

#include <stdexcept>
#include <thread>

#include <gtest/gtest.h>

#include "net/IOHandlerSocket.h"
#include "net/Stack.h"
#include "NetFixtures.h"

namespace corvalet::test {
namespace {

class AntiFreezeTest : public ::testing::Test {
protected:
    AntiFreezeTest() {
        AntiFreeze.OnServiceUI = [this](bool allPending) {
            ++Services;
            LastAllPending = allPending;
            if (ThrowAfter > 0 && Services >= ThrowAfter)
                throw std::runtime_error("window closed");
        };
    }

    TNetAntiFreeze AntiFreeze;
    int Services = 0;
    bool LastAllPending = false;
    int ThrowAfter = 0;
};

TEST_F(AntiFreezeTest, TheInstanceIsHeldWhileItLives) {
    EXPECT_EQ(TheAntiFreeze(), &AntiFreeze);
    {
        TNetAntiFreeze other;
        EXPECT_EQ(TheAntiFreeze(), &other);
    }
    EXPECT_EQ(TheAntiFreeze(), nullptr);
}

TEST_F(AntiFreezeTest, WhenTheWindowsAreServiced) {
    const struct {
        bool Active;
        bool OnlyWhenIdle;
        bool Idle;
        bool Override;
        bool Serviced;
    } cases[] = {
        {true, true, true, false, true},   {true, true, false, false, false}, {true, true, false, true, true},
        {true, false, false, false, true}, {false, false, true, true, false},
    };
    for (const auto& c : cases) {
        AntiFreeze.Active = c.Active;
        AntiFreeze.OnlyWhenIdle = c.OnlyWhenIdle;
        Services = 0;
        YieldToUI(c.Idle, c.Override);
        EXPECT_EQ(Services, c.Serviced ? 1 : 0) << c.Active << c.OnlyWhenIdle << c.Idle << c.Override;
    }
}

TEST_F(AntiFreezeTest, NeverOffTheMainThread) {
    AntiFreeze.OnlyWhenIdle = false;
    bool applies = true;
    std::thread other([&] {
        applies = AntiFreezeApplies();
        YieldToUI(true, true);
    });
    other.join();
    EXPECT_FALSE(applies);
    EXPECT_EQ(Services, 0);

    // The main thread is the one recorded as such.
    SetMainThreadId(std::thread::id());
    YieldToUI(true, true);
    EXPECT_EQ(Services, 0);
    SetMainThreadId(std::this_thread::get_id());
    YieldToUI(true, true);
    EXPECT_EQ(Services, 1);
}

TEST_F(AntiFreezeTest, PriorityDecidesWhetherAllPendingEventsAreHandled) {
    YieldToUI(true);
    EXPECT_TRUE(LastAllPending);
    AntiFreeze.ApplicationHasPriority = false;
    YieldToUI(true);
    EXPECT_FALSE(LastAllPending);
}

TEST_F(AntiFreezeTest, SendsServiceOnlyWhenNotWaitingForIdleness) {
    TLoopbackSession session(Reply(""));
    Services = 0; // the connect's slice
    AntiFreeze.OnlyWhenIdle = true;
    session.Client.WriteLine("NOOP");
    EXPECT_EQ(Services, 0);
    AntiFreeze.OnlyWhenIdle = false;
    session.Client.WriteLine("NOOP");
    EXPECT_EQ(Services, 1);
    AntiFreeze.Active = false;
    session.Client.WriteLine("NOOP");
    EXPECT_EQ(Services, 1);
}

TEST_F(AntiFreezeTest, WaitWithoutDataIsServicedEveryIdleTimeout) {
    TLoopbackSession session(Reply(""));
    Services = 0; // the connect's slice
    AntiFreeze.IdleTimeOut = 20;
    // A wait of 100 ms: five slices of 20 ms, each followed by servicing; the time stays.
    const long elapsed = ElapsedMs([&] { EXPECT_EQ(session.Client.ReadLine("\n", 100), ""); });
    EXPECT_EQ(Services, 5);
    EXPECT_GE(elapsed, 90);

    // The default time-out raises "Read Timeout" after the same slices.
    Services = 0;
    session.Client.ReadTimeout = 60;
    EXPECT_EQ(MessageOf<ENetReadTimeout>([&] { session.Client.ReadLine(); }), "Read Timeout");
    EXPECT_EQ(Services, 3);

    Services = 0;
    AntiFreeze.Active = false;
    session.Client.ReadLine("\n", 30);
    EXPECT_EQ(Services, 0);
}

TEST_F(AntiFreezeTest, WaitThatEndsWithDataServicesOnlyWhenNotWaitingForIdleness) {
    for (const bool onlyWhenIdle : {true, false}) {
        TLoopbackSession session(Reply("250 ok\r\n"));
        AntiFreeze.OnlyWhenIdle = onlyWhenIdle;
        Services = 0;
        EXPECT_EQ(session.Client.ReadLine(), "250 ok");
        EXPECT_EQ(Services, onlyWhenIdle ? 0 : 1);
    }
}

TEST_F(AntiFreezeTest, WaitWithoutLimitServicesEveryIdleTimeout) {
    TLoopbackSession session([](TLoopbackPeer& peer) {
        std::this_thread::sleep_for(std::chrono::milliseconds(120));
        peer.Send("late\r\n");
        peer.WaitForClose();
    });
    session.Client.ReadTimeout = 0;
    AntiFreeze.IdleTimeOut = 20;
    EXPECT_EQ(session.Client.ReadLine(), "late");
    EXPECT_GE(Services, 3);
}

TEST_F(AntiFreezeTest, ConnectWaitIsSlicedAtTheIdleTimeoutAndServicedAfterEachSlice) {
    const TFullLoopbackListener full;
    TNetTCPClient client;
    client.Host = "127.0.0.1";
    client.Port = full.Port();
    AntiFreeze.IdleTimeOut = 30;
    // 200 ms in slices of 30: six slices and one of the 20 ms left, each followed by servicing.
    EXPECT_EQ(MessageOf<ENetConnectTimeout>([&] { client.Connect(200); }), "Connect timed out.");
    EXPECT_EQ(Services, 7);

    Services = 0;
    AntiFreeze.Active = false;
    EXPECT_THROW(client.Connect(200), ENetConnectTimeout);
    EXPECT_EQ(Services, 0);
}

TEST_F(AntiFreezeTest, ConnectWithoutATimeoutGetsTheLongDefaultWhileTheWindowsAreKeptAlive) {
    EXPECT_EQ(TNetIOHandlerSocket::EffectiveConnectTimeout(-1), 120000);
    EXPECT_EQ(TNetIOHandlerSocket::EffectiveConnectTimeout(0), 120000);
    EXPECT_EQ(TNetIOHandlerSocket::EffectiveConnectTimeout(500), 500);
    AntiFreeze.Active = false;
    EXPECT_EQ(TNetIOHandlerSocket::EffectiveConnectTimeout(-1), 0);
    AntiFreeze.Active = true;

    // The default connect is a sliced one: a window event may end it, and the socket is released.
    const TFullLoopbackListener full;
    TNetTCPClient client;
    client.Host = "127.0.0.1";
    client.Port = full.Port();
    AntiFreeze.IdleTimeOut = 10;
    ThrowAfter = 3;
    EXPECT_THROW(client.Connect(), std::runtime_error);
    EXPECT_EQ(Services, 3);
    EXPECT_FALSE(client.IsConnected());
}

TEST_F(AntiFreezeTest, EventThatDisconnectsDuringAWaitEndsTheWait) {
    TLoopbackSession session(Reply(""));
    AntiFreeze.IdleTimeOut = 10;
    AntiFreeze.OnServiceUI = [&](bool) { session.Client.Disconnect(); };
    EXPECT_THROW(session.Client.ReadLine("\n", 50), ENetConnClosedGracefully);
}

// A peer that takes nothing more while a large write is under way: the write waits in slices with
// the windows serviced, gives up after the read time-out and drops the socket.
TEST_F(AntiFreezeTest, WriteThatThePeerDoesNotTakeTimesOutWhileTheWindowsAreServiced) {
    TLoopbackSession session([](TLoopbackPeer& peer) { peer.StopReading(5000); });
    session.Client.ReadTimeout = 200;
    AntiFreeze.IdleTimeOut = 20;
    Services = 0;
    // More than the socket buffers of both ends can hold.
    const std::string block(64 * 1024 * 1024, 'x');
    const long elapsed = ElapsedMs([&] {
        EXPECT_EQ(MessageOf<ENetWriteTimeout>([&] { session.Client.WriteBytes(block.data(), block.size()); }),
                  "Write Timeout");
    });
    EXPECT_GE(Services, 10);
    EXPECT_GE(elapsed, 190);
    EXPECT_LT(elapsed, 5000);
    EXPECT_FALSE(session.Client.IsConnected());
    session.Server.Stop();
}

// A name lookup that does not answer is awaited in slices and given up at the connect time-out;
// its thread finishes on its own later.
TEST_F(AntiFreezeTest, NameLookupIsAwaitedInSlicesWithinTheConnectTimeout) {
    TLoopbackServer server(Reply("220 hi\r\n"));
    TNetTCPClient client;
    client.Host = "mail.test";
    client.Port = server.Port();
    AntiFreeze.IdleTimeOut = 20;
    TheStack()->Resolver = [](const std::string&, std::uint32_t& address) {
        std::this_thread::sleep_for(std::chrono::milliseconds(400));
        address = LoopbackAddress;
        return 0;
    };
    const long elapsed = ElapsedMs([&] {
        EXPECT_EQ(MessageOf<ENetConnectTimeout>([&] { client.Connect(100); }), "Connect timed out.");
    });
    EXPECT_LT(elapsed, 350);
    EXPECT_GE(Services, 4);
    EXPECT_FALSE(client.IsConnected());

    // A lookup within the time-out leaves the rest of it to the connect.
    TheStack()->Resolver = [](const std::string&, std::uint32_t& address) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        address = LoopbackAddress;
        return 0;
    };
    Services = 0;
    client.Connect(2000);
    EXPECT_GE(Services, 2);
    EXPECT_EQ(client.ReadLine(), "220 hi");
    client.Disconnect();
    std::this_thread::sleep_for(std::chrono::milliseconds(400)); // the first lookup's thread ends
}

} // namespace
} // namespace corvalet::test
