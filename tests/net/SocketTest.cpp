#include "platform/Socket.h"

#include <string>

#include <gtest/gtest.h>

#include "support/LoopbackServer.h"

namespace corvalet {
namespace {

using test::BindLoopback;
using test::LocalPort;
using test::TLoopbackSocketPair;
using test::TOwnedSocket;

TEST(SocketTest, SendToAClosedPeerFailsWithACodeInsteadOfEndingTheProgram) {
    TLoopbackSocketPair pair;
    pair.Server.Close();
    const std::string chunk(65536, 'x');
    // The first sends may still be taken; once the reset came back, every send fails.
    long result = 0;
    for (int i = 0; i < 50 && result >= 0; ++i)
        result = SendToSocket(pair.Client.Get(), chunk.data(), chunk.size());
    ASSERT_EQ(result, -1);
    EXPECT_TRUE(LastSocketError() == SocketErrorCode::Shutdown ||
                LastSocketError() == SocketErrorCode::ConnectionReset)
        << LastSocketError();
}

TEST(SocketTest, ReadableWaitEndsAtTheTimeoutOrWithData) {
    TLoopbackSocketPair pair;
    EXPECT_EQ(WaitSocketReadable(pair.Client.Get(), 20), 0);
    ASSERT_EQ(SendToSocket(pair.Server.Get(), "hi", 2), 2);
    EXPECT_EQ(WaitSocketReadable(pair.Client.Get(), 2000), 1);
    char buffer[8];
    EXPECT_EQ(ReceiveFromSocket(pair.Client.Get(), buffer, sizeof buffer), 2);
    pair.Server.Close();
    EXPECT_EQ(WaitSocketReadable(pair.Client.Get(), 2000), 1);
    EXPECT_EQ(ReceiveFromSocket(pair.Client.Get(), buffer, sizeof buffer), 0);
}

TEST(SocketTest, ConnectToAPortWithoutListenerIsRefused) {
    const TOwnedSocket closedPort = BindLoopback(false);
    TOwnedSocket client(CreateStreamSocket());
    const TSocketAddress peer{LoopbackAddress, static_cast<std::uint16_t>(LocalPort(closedPort))};
    EXPECT_EQ(ConnectSocket(client.Get(), peer), -1);
    EXPECT_EQ(LastSocketError(), SocketErrorCode::ConnectionRefused);

    TOwnedSocket stepwise(CreateStreamSocket());
    int started = BeginConnect(stepwise.Get(), peer);
    if (started == 1) {
        EXPECT_EQ(WaitConnectProgress(stepwise.Get(), 2000), 1);
        started = EndConnect(stepwise.Get());
    }
    EXPECT_EQ(started, -1);
    EXPECT_EQ(LastSocketError(), SocketErrorCode::ConnectionRefused);
}

TEST(SocketTest, BindingATakenPortFailsWithAddressInUse) {
    const TOwnedSocket listener = BindLoopback(true);
    TOwnedSocket second(CreateStreamSocket());
    EXPECT_EQ(BindSocket(second.Get(),
                         TSocketAddress{LoopbackAddress, static_cast<std::uint16_t>(LocalPort(listener))}),
              -1);
    EXPECT_EQ(LastSocketError(), SocketErrorCode::AddressInUse);
}

} // namespace
} // namespace corvalet
