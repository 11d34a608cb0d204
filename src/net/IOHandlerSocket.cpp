#include "net/IOHandlerSocket.h"

#include <algorithm>
#include <chrono>
#include <future>
#include <thread>

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

    // The connect's limit covers the lookup of the name as well.
    int limit = EffectiveConnectTimeout(timeout);
    if (!TNetStack::IsNumericAddress(host))
        ReportStatus(TNetStatus::hsResolving, host);
    if (limit != 0 && TNetStack::NeedsLookup(host))
        Handle->PeerAddress = ResolveWithin(host, limit);
    else
        Handle->PeerAddress = stack.LookupHost(host);
    Handle->PeerPort = port;
    const std::uint32_t address = TNetStack::NumericAddressValue(Handle->PeerAddress);

    stack.CheckSocketResult(SetSocketNoDelay(Handle->Handle, !UseNagle));
    ReportStatus(TNetStatus::hsConnecting, Handle->PeerAddress);

    if (limit != 0) {
        ConnectWithTimeout(address, port, limit);
    } else {
        const TSocketAddress peer{address, static_cast<std::uint16_t>(port)};
        stack.CheckSocketResult(ConnectSocket(Handle->Handle, peer));
    }
    Handle->UpdateAddresses();
}

std::string TNetIOHandlerSocket::ResolveWithin(const std::string& host, int& remaining) {
    struct TAnswer {
        int Code = 0;
        std::uint32_t Address = 0;
    };
    std::promise<TAnswer> promise;
    std::future<TAnswer> answer = promise.get_future();
    // The thread owns copies of all it uses: when the wait gives up, it finishes on its own and
    // its answer is dropped.
    std::thread([resolver = TheStack()->Resolver, host, promise = std::move(promise)]() mutable {
        try {
            TAnswer result;
            result.Code = resolver(host, result.Address);
            promise.set_value(result);
        } catch (...) {
            promise.set_exception(std::current_exception());
        }
    }).detach();

    const auto started = std::chrono::steady_clock::now();
    const TNetWaitOutcome outcome = WaitInSlices(
        remaining,
        [&](int milliseconds) {
            if (milliseconds < 0) {
                answer.wait();
                return true;
            }
            return answer.wait_for(std::chrono::milliseconds(milliseconds)) == std::future_status::ready;
        },
        [this] { return IsOpen(); }, ConnectSlice);
    EndConnectWait(outcome);
    if (remaining != -2) {
        const auto spent = std::chrono::duration_cast<std::chrono::milliseconds>(
                               std::chrono::steady_clock::now() - started)
                               .count();
        remaining = std::max(1, remaining - static_cast<int>(spent));
    }
    const TAnswer result = answer.get();
    TNetStack& stack = *TheStack();
    if (result.Code != 0) {
        stack.LastErrorCode = result.Code;
        stack.ThrowSocketError(result.Code);
    }
    return TNetStack::DottedAddress(result.Address);
}

// The look-up and the connect share one time-out and its texts: a window event that closed the
// handler ends the wait, and a time-out closes the socket.
void TNetIOHandlerSocket::EndConnectWait(TNetWaitOutcome outcome) {
    if (outcome == TNetWaitOutcome::Ended)
        throw ENetClosedSocket();
    if (outcome == TNetWaitOutcome::TimedOut) {
        Close();
        throw ENetConnectTimeout();
    }
}

// The connect goes on in the background while this thread looks at it in slices and keeps the
// windows alive in between.
void TNetIOHandlerSocket::ConnectWithTimeout(std::uint32_t address, int port, int timeout) {
    TNetStack& stack = *TheStack();
    const int started =
        BeginConnect(Handle->Handle, TSocketAddress{address, static_cast<std::uint16_t>(port)});
    stack.CheckSocketResult(started);
    if (started == 0)
        return;
    const TNetWaitOutcome outcome = WaitInSlices(
        timeout,
        [this](int milliseconds) {
            const int result = WaitConnectProgress(Handle->Handle, milliseconds);
            TheStack()->CheckSocketResult(result);
            return result == 1;
        },
        [this] { return IsOpen(); }, ConnectSlice);
    EndConnectWait(outcome);
    stack.CheckSocketResult(EndConnect(Handle->Handle));
}

bool TNetIOHandlerSocket::WaitForSocket(int (*wait)(TSocket, int), int timeout) {
    if (!IsOpen())
        throw ENetConnClosedGracefully();
    const TNetWaitOutcome outcome = WaitInSlices(
        timeout,
        [this, wait](int milliseconds) {
            const int result = wait(Handle->Handle, milliseconds);
            TheStack()->CheckSocketResult(result);
            return result == 1;
        },
        [this] { return IsOpen(); });
    if (outcome == TNetWaitOutcome::Ended)
        throw ENetConnClosedGracefully();
    return outcome == TNetWaitOutcome::Ready;
}

bool TNetIOHandlerSocket::WaitReadable(int timeout) {
    return WaitForSocket(WaitSocketReadable, timeout);
}

bool TNetIOHandlerSocket::WaitWritable(int timeout) {
    return WaitForSocket(WaitSocketWritable, timeout);
}

long TNetIOHandlerSocket::ReceiveBytes(char* buffer, std::size_t size) {
    if (!IsOpen())
        throw ENetClosedSocket();
    return ReceiveFromSocket(Handle->Handle, buffer, size);
}

long TNetIOHandlerSocket::SendBytes(const char* data, std::size_t size) {
    if (!IsOpen())
        throw ENetClosedSocket();
    return SendToSocketNow(Handle->Handle, data, size);
}

} // namespace corvalet
