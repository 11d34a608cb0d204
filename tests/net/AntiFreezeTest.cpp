#include "net/AntiFreeze.h"

#include <stdexcept>
#include <thread>

#include <gtest/gtest.h>

#include "net/IOHandlerSocket.h"
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

TEST_F(AntiFreezeTest, WaitEndingWithoutDataIsSplitAtTheIdleTimeout) {
    TLoopbackSession session(Reply(""));
    Services = 0; // the connect's slice
    AntiFreeze.IdleTimeOut = 20;
    // A wait of 100 ms: one step of 80 ms, then one of 20 ms, each followed by servicing.
    const long elapsed = ElapsedMs([&] { EXPECT_EQ(session.Client.ReadLine("\n", 100), ""); });
    EXPECT_EQ(Services, 2);
    EXPECT_GE(elapsed, 90);

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
    // 200 ms in slices of 30: six slices leave 20 ms, waited without servicing.
    EXPECT_EQ(MessageOf<ENetConnectTimeout>([&] { client.Connect(200); }), "Connect timed out.");
    EXPECT_EQ(Services, 6);

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

} // namespace
} // namespace corvalet::test
