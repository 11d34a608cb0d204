#pragma once

#include <cstddef>
#include <string>

#include "net/Component.h"

namespace corvalet {

// Where a connection finds its local end: an address (empty: any), a port (0: the system picks)
// and a range of local ports to try (both 0: no range).
struct TNetLocalBinding {
    std::string IP;
    int Port = 0;
    int PortMin = 0;
    int PortMax = 0;
};

// The I/O beneath a TCP connection.
class TNetIOHandler : public TNetComponent {
public:
    virtual void AfterAccept() {}
    virtual void Close() = 0;
    // Connects to host:port within `timeout` ms (-1 or 0: the default, -2: no limit).
    virtual void ConnectTo(const std::string& host, int port, int timeout, const TNetLocalBinding& local) = 0;
    virtual bool IsOpen() const = 0;
    virtual void Open() = 0;
    // Whether data (or the peer's close) arrived within `timeout` ms (-2: no limit). The windows
    // are kept alive meanwhile; a window event that closes the handler raises
    // "Connection Closed Gracefully.".
    virtual bool WaitReadable(int timeout) = 0;
    // Whether the peer can take more bytes (or failed) within `timeout` ms, as WaitReadable.
    virtual bool WaitWritable(int timeout) = 0;
    // Bytes received (0: the peer closed) or -1 with the failure for the stack to check.
    virtual long ReceiveBytes(char* buffer, std::size_t size) = 0;
    // Bytes sent or -1 with the failure for the stack to check. It never waits for room: with
    // none, it fails with SocketErrorCode::WouldBlock and the caller waits with WaitWritable.
    virtual long SendBytes(const char* data, std::size_t size) = 0;
};

} // namespace corvalet
