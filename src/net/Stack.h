#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>

#include "platform/Socket.h"

namespace corvalet {

// Resolves a host name to its first IPv4 address (host byte order). Returns 0, or the resolver's
// socket error code.
using TNetHostResolver = std::function<int(const std::string& name, std::uint32_t& address)>;

// The socket stack: host names, numeric addresses, the check of socket call results and the texts
// of socket errors. The program uses the one instance that TheStack() returns while any network
// component lives; tests may build their own.
class TNetStack {
public:
    TNetStack();
    virtual ~TNetStack() = default;
    TNetStack(const TNetStack&) = delete;
    TNetStack& operator=(const TNetStack&) = delete;

    // The dotted address of a host: "localhost" in any letter case is 127.0.0.1 without a
    // lookup, numeric text is returned as it is, anything else is looked up.
    std::string LookupHost(const std::string& name);
    // Whether LookupHost has to ask the resolver: neither "localhost" nor numeric.
    static bool NeedsLookup(const std::string& name);
    // Whether the text is an IPv4 address in one of the numeric forms a.b.c.d, a.b.c (c 16 bits),
    // a.b (b 24 bits) or a (32 bits), in plain decimal digits.
    static bool IsNumericAddress(const std::string& text);
    // The address that numeric text stands for; raises ENetInvalidIPAddress for other text.
    static std::uint32_t NumericAddressValue(const std::string& text);
    static std::string DottedAddress(std::uint32_t address);
    std::string LocalHostName();

    // False for a result other than -1. For -1: records the code of the failure as LastErrorCode;
    // true when that code is among `ignored`, otherwise raises its ENetSocketError.
    bool CheckSocketResult(long result, std::initializer_list<int> ignored = {});
    [[noreturn]] void ThrowSocketError(int code);
    // "Socket Error # <code>\r\n<text>"; the text is empty for a code the program does not know.
    static std::string SocketErrorText(int code);

    // A new IPv4 stream socket; raises ENetInvalidSocket when none can be had.
    TSocket CreateSocket();

    int LastErrorCode = 0;
    // How names are looked up; tests hand in their own so that no name ever leaves the machine.
    TNetHostResolver Resolver;
};

// The stack of the running program: present from the creation of the first network component to
// the destruction of the last, null otherwise.
TNetStack* TheStack();

// Counts one living network component: the first creates TheStack(), the last destroys it.
void AcquireStack();
void ReleaseStack();

} // namespace corvalet
