#include "net/SocketHandle.h"

#include "net/Exceptions.h"
#include "net/Stack.h"

namespace corvalet {

void TNetSocketHandle::Allocate() {
    Close();
    Handle = TheStack()->CreateSocket();
    HasHandle = true;
}

void TNetSocketHandle::Bind() {
    TNetStack& stack = *TheStack();
    TSocketAddress local;
    local.Address = IP.empty() ? AnyAddress : TNetStack::NumericAddressValue(IP);
    local.Port = static_cast<std::uint16_t>(Port);
    if (stack.CheckSocketResult(BindSocket(Handle, local), {SocketErrorCode::AddressInUse}))
        throw ENetCouldNotBindSocket();
    TSocketAddress bound;
    if (SocketLocalAddress(Handle, bound) == 0) {
        IP = TNetStack::DottedAddress(bound.Address);
        Port = bound.Port;
    }
}

void TNetSocketHandle::Close() {
    if (!HasHandle)
        return;
    HasHandle = false;
    const TSocket socket = Handle;
    Handle = InvalidSocketValue;
    // The peer may be gone already; the socket is released either way.
    ShutdownSocketSend(socket);
    CloseSocket(socket);
}

void TNetSocketHandle::Reset() {
    Close();
    IP.clear();
    Port = 0;
    PeerAddress.clear();
    PeerPort = 0;
}

void TNetSocketHandle::UpdateAddresses() {
    TSocketAddress address;
    if (SocketLocalAddress(Handle, address) == 0) {
        IP = TNetStack::DottedAddress(address.Address);
        Port = address.Port;
    }
    if (SocketPeerAddress(Handle, address) == 0) {
        PeerAddress = TNetStack::DottedAddress(address.Address);
        PeerPort = address.Port;
    }
}

} // namespace corvalet
