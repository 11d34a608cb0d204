#pragma once

#include <string>

#include "platform/Socket.h"

namespace corvalet {

// One socket with its local and peer addresses. Owns the socket: it is released by Close and by
// the destructor.
class TNetSocketHandle {
public:
    TNetSocketHandle() = default;
    ~TNetSocketHandle() { Close(); }
    TNetSocketHandle(const TNetSocketHandle&) = delete;
    TNetSocketHandle& operator=(const TNetSocketHandle&) = delete;

    // Takes a new socket from the stack (raises ENetInvalidSocket).
    void Allocate();
    // Binds the local end to IP (any when empty) and Port (0: the system picks). An address in use
    // raises ENetCouldNotBindSocket, anything else its socket error. Records the local address and
    // port that the system reports.
    void Bind();
    // Releases the socket: the send side is shut down first. Releasing twice does nothing.
    void Close();
    // No socket, and the addresses cleared, ready for the next connection.
    void Reset();
    // Records the local and peer addresses that the system reports for the connected socket.
    void UpdateAddresses();

    TSocket Handle = InvalidSocketValue;
    bool HasHandle = false;
    std::string IP;
    int Port = 0;
    int ClientPortMin = 0;
    int ClientPortMax = 0;
    std::string PeerAddress;
    int PeerPort = 0;
};

} // namespace corvalet
