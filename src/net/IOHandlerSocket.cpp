#include "net/IOHandlerSocket.h"

#include <algorithm>

#include "net/AntiFreeze.h"
#include "net/Exceptions.h"
#include "net/Stack.h"

namespace corvalet {

void TNetIOHandlerSocket::Close() {
    if (Handle)
        Handle->Close();
}

bool TNetIOHandlerSocket::IsOpen() const {
    return Handle && Handle->HasHandle;
}

void TNetIOHandlerSocket::Open() {
    if (Handle)
        Handle->Reset();
    else
        Handle = std::make_unique<TNetSocketHandle>();
}

int TNetIOHandlerSocket::EffectiveConnectTimeout(int timeout) {
    if (timeout != -1 && timeout != 0)
        return timeout;
    return AntiFreezeApplies() ? DefaultConnectTimeout : 0;
}

void TNetIOHandlerSocket::ConnectTo(const std::string& host, int port, int timeout,
                                    const TNetLocalBinding& local) {
    TNetStack& stack = *TheStack();
    Handle->Allocate();
    Handle->IP = local.IP;
    Handle->Port = local.Port;
    Handle->ClientPortMin = local.PortMin;
    Handle->ClientPortMax = local.PortMax;
    // Without a wish for the local end the system picks it when connecting.
    if (!local.IP.empty() || local.Port != 0)
        Handle->Bind();

    if (!TNetStack::IsNumericAddress(host))
        ReportStatus(TNetStatus::hsResolving, host);
    Handle->PeerAddress = stack.LookupHost(host);
    Handle->PeerPort = port;
    const std::uint32_t address = TNetStack::NumericAddressValue(Handle->PeerAddress);

    stack.CheckSocketResult(SetSocketNoDelay(Handle->Handle, !UseNagle));
    ReportStatus(TNetStatus::hsConnecting, Handle->PeerAddress);

    const int limit = EffectiveConnectTimeout(timeout);
    if (limit != 0) {
        ConnectWithTimeout(address, port, limit);
    } else {
        const TSocketAddress peer{address, static_cast<std::uint16_t>(port)};
        stack.CheckSocketResult(ConnectSocket(Handle->Handle, peer));
    }
    Handle->UpdateAddresses();
}

// The connect goes on in the background while this thread looks at it in slices and keeps the
// windows alive in between. Time is counted in slices, as a connect that ends early ends the wait.
void TNetIOHandlerSocket::ConnectWithTimeout(std::uint32_t address, int port, int timeout) {
    TNetStack& stack = *TheStack();
    const int started =
        BeginConnect(Handle->Handle, TSocketAddress{address, static_cast<std::uint16_t>(port)});
    stack.CheckSocketResult(started);
    bool finished = started == 0;

    int slice = ConnectSlice;
    if (AntiFreezeApplies())
        slice = std::max(1, std::min(TheAntiFreeze()->IdleTimeOut, ConnectSlice));
    int remaining = timeout == -2 ? slice + 1 : timeout;
    while (!finished && slice < remaining) {
        finished = WaitForConnect(slice);
        remaining = timeout == -2 ? slice + 1 : remaining - slice;
        YieldToUI(true, false);
        // A window event may have closed the connection meanwhile.
        if (!IsOpen())
            throw ENetClosedSocket();
    }
    if (!finished)
        finished = WaitForConnect(remaining);
    if (!finished) {
        Close();
        throw ENetConnectTimeout();
    }
    if (started != 0)
        stack.CheckSocketResult(EndConnect(Handle->Handle));
}

bool TNetIOHandlerSocket::WaitForConnect(int milliseconds) {
    const int result = WaitConnectProgress(Handle->Handle, std::max(0, milliseconds));
    TheStack()->CheckSocketResult(result);
    return result == 1;
}

bool TNetIOHandlerSocket::SelectStep(int timeout) {
    if (!IsOpen())
        throw ENetConnClosedGracefully();
    const int result = WaitSocketReadable(Handle->Handle, timeout == -2 ? -1 : timeout);
    TheStack()->CheckSocketResult(result);
    const bool readable = result == 1;
    YieldToUI(!readable, false);
    return readable;
}

bool TNetIOHandlerSocket::WaitReadable(int timeout) {
    if (!AntiFreezeApplies())
        return SelectStep(timeout);
    // While the windows are kept alive, the last part of every wait is a step of the idle
    // time-out, so that the windows are serviced at least that often near its end.
    const int idle = std::max(1, TheAntiFreeze()->IdleTimeOut);
    if (timeout == -2) {
        while (!SelectStep(idle)) {
        }
        return true;
    }
    if (timeout > idle) {
        if (SelectStep(timeout - idle))
            return true;
        timeout = idle;
    }
    return SelectStep(timeout);
}

long TNetIOHandlerSocket::ReceiveBytes(char* buffer, std::size_t size) {
    if (!IsOpen())
        throw ENetClosedSocket();
    return ReceiveFromSocket(Handle->Handle, buffer, size);
}

long TNetIOHandlerSocket::SendBytes(const char* data, std::size_t size) {
    if (!IsOpen())
        throw ENetClosedSocket();
    return SendToSocket(Handle->Handle, data, size);
}

} // namespace corvalet
