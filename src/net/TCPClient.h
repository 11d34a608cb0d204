#pragma once

#include <string>

#include "net/TCPConnection.h"

namespace corvalet {

// A TCP connection that connects to Host:Port, from BoundIP:BoundPort when those are given.
class TNetTCPClient : public TNetTCPConnection {
public:
    virtual void NotifyConnected();
    // Opens the connection within `timeout` ms (-1 or 0: the default; -2: no limit). On return
    // the connection is open and nothing has been read; on failure the socket is released again.
    virtual void Connect(int timeout = -1);

    std::string Host;
    int Port = 0;
    std::string BoundIP;
    int BoundPort = 0;
    int BoundPortMin = 0;
    int BoundPortMax = 0;
    TNotifyEvent OnConnected;
};

} // namespace corvalet
