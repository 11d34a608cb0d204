#include "net/Stack.h"

#include <cerrno>
#include <type_traits>

#include <gtest/gtest.h>

#include "net/Component.h"
#include "net/Exceptions.h"

namespace corvalet {
namespace {

TEST(SocketErrorTextTest, KnownCodesCarryTheirTextAfterTheCodeLine) {
    const struct {
        int Code;
        const char* Message;
    } cases[] = {
        {10061, "Socket Error # 10061\r\nConnection refused."},
        {10060, "Socket Error # 10060\r\nConnection timed out."},
        {10048, "Socket Error # 10048\r\nAddress already in use."},
        {10035, "Socket Error # 10035\r\nOperation would block. "},
        {10066, "Socket Error # 10066\r\nDirectory not empty"},
        {11001, "Socket Error # 11001\r\nHost not found."},
        {11002, "Socket Error # 11002\r\nThe name server did not answer in time; try again later."},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TNetStack::SocketErrorText(c.Code), c.Message) << c.Code;
}

TEST(SocketErrorTextTest, UnknownCodeEndsWithTheLineBreak) {
    EXPECT_EQ(TNetStack::SocketErrorText(12345), "Socket Error # 12345\r\n");
    EXPECT_EQ(TNetStack::SocketErrorText(0), "Socket Error # 0\r\n");
}

TEST(SocketErrorCodeTest, SystemErrorsMapOntoTheProgramsCodes) {
    const struct {
        int Errno;
        int Code;
    } cases[] = {
        {ECONNREFUSED, 10061}, {ETIMEDOUT, 10060},     {EADDRINUSE, 10048},   {EACCES, 10013},
        {EPERM, 10013},        {ECONNRESET, 10054},    {ECONNABORTED, 10053}, {EPIPE, 10058},
        {ESHUTDOWN, 10058},    {ENETUNREACH, 10051},   {EHOSTUNREACH, 10065}, {ENETDOWN, 10050},
        {EHOSTDOWN, 10064},    {EADDRNOTAVAIL, 10049}, {EINVAL, 10022},       {EMFILE, 10024},
        {ENOBUFS, 10055},      {EISCONN, 10056},       {ENOTCONN, 10057},     {EINPROGRESS, 10036},
        {EALREADY, 10037},     {ENOTSOCK, 10038},      {EBADF, 10009},        {EINTR, 10004},
        {EWOULDBLOCK, 10035},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SocketErrorCodeFromErrno(c.Errno), c.Code) << c.Errno;
}

TEST(NumericAddressTest, FormsAndRanges) {
    const struct {
        const char* Text;
        bool Numeric;
        std::uint32_t Value;
    } cases[] = {
        {"127.0.0.1", true, 0x7F000001},
        {"10.1", true, 0x0A000001},
        {"127.1", true, 0x7F000001},
        {"1.2.772", true, 0x01020304},
        {"2130706433", true, 0x7F000001},
        {"4294967295", true, 0xFFFFFFFF},
        {"1.16777215", true, 0x01FFFFFF},
        {"255.255.255.255", true, 0xFFFFFFFF},
        {"256.1.1.1", false, 0},
        {"1.2.65536", false, 0},
        {"1.16777216", false, 0},
        {"4294967296", false, 0},
        {"1.2.3.4.5", false, 0},
        {"1..2", false, 0},
        {"1.2.3.", false, 0},
        {"", false, 0},
        {"-1", false, 0},
        {" 1.2.3.4", false, 0},
        {"mail.example", false, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TNetStack::IsNumericAddress(c.Text), c.Numeric) << c.Text;
        if (c.Numeric) {
            EXPECT_EQ(TNetStack::NumericAddressValue(c.Text), c.Value) << c.Text;
        }
    }
}

TEST(NumericAddressTest, OtherTextIsNotAValidAddress) {
    try {
        TNetStack::NumericAddressValue("256.1.1.1");
        FAIL();
    } catch (const ENetInvalidIPAddress& error) {
        EXPECT_STREQ(error.what(), "256.1.1.1 is not a valid IP address.");
    }
}

class LookupHostTest : public ::testing::Test {
protected:
    LookupHostTest() {
        Stack.Resolver = [this](const std::string& name, std::uint32_t& address) {
            Looked += name + ";";
            address = 0x7F000105;
            return name == "unknown.test" ? 11001 : 0;
        };
    }
    TNetStack Stack;
    std::string Looked;
};

TEST_F(LookupHostTest, LocalhostAndNumericTextNeedNoLookup) {
    EXPECT_EQ(Stack.LookupHost("localhost"), "127.0.0.1");
    EXPECT_EQ(Stack.LookupHost("LocalHost"), "127.0.0.1");
    EXPECT_EQ(Stack.LookupHost("10.1"), "10.1");
    EXPECT_EQ(Looked, "");
}

TEST_F(LookupHostTest, NamesAndNonNumericTextGoToTheResolver) {
    EXPECT_EQ(Stack.LookupHost("256.1.1.1"), "127.0.1.5");
    EXPECT_EQ(Stack.LookupHost("mail.test"), "127.0.1.5");
    EXPECT_EQ(Looked, "256.1.1.1;mail.test;");
}

TEST_F(LookupHostTest, UnknownNameRaisesHostNotFound) {
    try {
        Stack.LookupHost("unknown.test");
        FAIL();
    } catch (const ENetSocketError& error) {
        EXPECT_EQ(error.ErrorCode, 11001);
        EXPECT_STREQ(error.what(), "Socket Error # 11001\r\nHost not found.");
    }
    EXPECT_EQ(Stack.LastErrorCode, 11001);
}

TEST(CheckSocketResultTest, OnlyMinusOneIsAFailureAndIgnoredCodesAreReported) {
    TNetStack stack;
    EXPECT_FALSE(stack.CheckSocketResult(0));
    EXPECT_FALSE(stack.CheckSocketResult(17));

    // A receive on a descriptor that is no socket fails with a known code.
    EXPECT_EQ(ReceiveFromSocket(-1, nullptr, 0), -1);
    EXPECT_TRUE(stack.CheckSocketResult(-1, {10038, 10009}));
    EXPECT_EQ(stack.LastErrorCode, 10009);

    EXPECT_EQ(ReceiveFromSocket(-1, nullptr, 0), -1);
    try {
        stack.CheckSocketResult(-1, {10054});
        FAIL();
    } catch (const ENetSocketError& error) {
        EXPECT_EQ(error.ErrorCode, 10009);
        EXPECT_STREQ(error.what(), "Socket Error # 10009\r\nBad file number.");
    }
}

TEST(StackLifetimeTest, TheStackLivesFromTheFirstComponentToTheLast) {
    ASSERT_EQ(TheStack(), nullptr);
    {
        TNetComponent first;
        TNetStack* stack = TheStack();
        ASSERT_NE(stack, nullptr);
        {
            TNetComponent second;
            EXPECT_EQ(TheStack(), stack);
        }
        EXPECT_EQ(TheStack(), stack);
    }
    EXPECT_EQ(TheStack(), nullptr);
}

TEST(StackTest, LocalHostNameIsThisMachinesName) {
    EXPECT_FALSE(TNetStack().LocalHostName().empty());
}

template <typename Child, typename Parent> constexpr bool Derives = std::is_base_of_v<Parent, Child>;

TEST(NetExceptionFamilyTest, ParentsAndFixedTexts) {
    static_assert(Derives<ENetException, std::exception>);
    static_assert(Derives<ENetConnClosedGracefully, ENetSilentException>);
    static_assert(Derives<ENetSilentException, ENetException>);
    static_assert(Derives<ENetNotConnected, ENetTCPConnectionError>);
    static_assert(Derives<ENetNotEnoughDataInBuffer, ENetTCPConnectionError>);
    static_assert(Derives<ENetCouldNotBindSocket, ENetSocketHandleError>);
    static_assert(Derives<ENetInvalidIPAddress, ENetStackError>);
    static_assert(Derives<ENetStackInitializationFailed, ENetStackError>);
    static_assert(Derives<ENetProtocolReplyError, ENetException>);
    static_assert(Derives<ENetWS2StubError, ENetException>);

    const struct {
        std::string Message;
        const char* Expected;
    } cases[] = {
        {ENetConnClosedGracefully().what(), "Connection Closed Gracefully."},
        {ENetReadTimeout().what(), "Read Timeout"},
        {ENetConnectTimeout().what(), "Connect timed out."},
        {ENetAlreadyConnected().what(), "Already connected."},
        {ENetNotConnected().what(), "Not Connected"},
        {ENetNotEnoughDataInBuffer().what(), "Not enough data in buffer."},
        {ENetReadLnMaxLineLengthExceeded().what(), "Max line length exceeded."},
        {ENetClosedSocket().what(), "Disconnected."},
        {ENetInvalidSocket().what(), "Cannot allocate socket."},
        {ENetCouldNotBindSocket().what(), "Could not bind socket. Address and port are already in use."},
        {ENetStackInitializationFailed().what(), "Winsock Initialization Error."},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.Message, c.Expected);
}

} // namespace
} // namespace corvalet
