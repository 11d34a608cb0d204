#pragma once

#include <memory>

#include "net/AntiFreeze.h"
#include "net/IOHandler.h"
#include "net/SocketHandle.h"

namespace corvalet {

// The I/O handler over one IPv4 stream socket.
class TNetIOHandlerSocket : public TNetIOHandler {
public:
    // The connect limit when none is given and the windows must be kept alive meanwhile.
    static constexpr int DefaultConnectTimeout = 120000;
    // The longest pause between two looks at a connect in progress.
    static constexpr int ConnectSlice = 125;

    void Close() override;
    void ConnectTo(const std::string& host, int port, int timeout, const TNetLocalBinding& local) override;
    bool IsOpen() const override;
    void Open() override;
    bool WaitReadable(int timeout) override;
    bool WaitWritable(int timeout) override;
    long ReceiveBytes(char* buffer, std::size_t size) override;
    long SendBytes(const char* data, std::size_t size) override;

    // The limit a connect asked for `timeout` runs under: the given one, or the default when the
    // windows are kept alive; 0 means a plain blocking connect.
    static int EffectiveConnectTimeout(int timeout);

    TNetSocketHandle* SocketHandle() const { return Handle.get(); }
    bool UseNagle = true;

private:
    // The peer's dotted address. A name is looked up on a thread of its own while this one waits
    // in slices, so that a resolver that does not answer neither freezes the windows nor outlasts
    // `remaining` (ms, -2: no limit), which is reduced by the time the lookup took.
    std::string ResolveWithin(const std::string& host, int& remaining);
    void ConnectWithTimeout(std::uint32_t address, int port, int timeout);
    // Raises what ends a look-up or connect wait early: the handler closed, or the time-out.
    void EndConnectWait(TNetWaitOutcome outcome);
    // Waits for the socket to become readable or writable; a handler closed meanwhile raises
    // "Connection Closed Gracefully.".
    bool WaitForSocket(int (*wait)(TSocket, int), int timeout);

    std::unique_ptr<TNetSocketHandle> Handle;
};

} // namespace corvalet
