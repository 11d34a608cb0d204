#pragma once

#include <memory>
#include <string>

#include "net/IOHandlerSocket.h"

namespace corvalet {

// The I/O handler over one IPv4 stream socket that can protect its bytes with TLS: plain until
// StartTLS (or from the first byte with Implicit), encrypted after. OpenSSL works on memory
// buffers here, and the bytes move through the plain socket's own waits, receives and sends, so
// read time-outs, the windows kept alive while waiting, gathered writes and the socket error texts
// are those of a plain connection.
class TNetIOHandlerTLS : public TNetIOHandlerSocket {
public:
    TNetIOHandlerTLS();
    ~TNetIOHandlerTLS() override;

    // Handshake as soon as the TCP connection stands (TLS from the first byte).
    bool Implicit = false;
    // A PEM file of certificates trusted besides the system's; empty: the system's only.
    std::string TrustFile;
    // The longest wait for the server during a handshake (also one the server asks for later), in
    // ms (-2: no limit).
    int HandshakeTimeout = 60000;

    void Close() override;
    void ConnectTo(const std::string& host, int port, int timeout, const TNetLocalBinding& local) override;
    void Open() override;
    bool WaitReadable(int timeout) override;
    long ReceiveBytes(char* buffer, std::size_t size) override;
    long SendBytes(const char* data, std::size_t size) override;

    // Runs the TLS handshake with the server `host` (sent as the server name and checked against
    // its certificate). On failure the socket is closed and ENetTLSError (or its certificate kind)
    // is raised, so that nothing more goes out in the clear.
    void StartTLS(const std::string& host);
    // Whether the bytes are protected by TLS now.
    bool Encrypted() const;
    // Tells the server that TLS ends here (close_notify), so that it can tell the end from a cut:
    // as far as the socket takes it now, without waiting, and raising nothing. Before Close.
    void SendCloseNotify() noexcept;

private:
    struct TSession;

    void Handshake();
    // Moves what OpenSSL has to send onto the socket, as far as the socket takes it now without
    // waiting; false when the socket failed (a full send buffer is no failure: the rest waits).
    bool FlushOutput();
    // Whether encrypted bytes still wait for room on the socket.
    bool OutputPending() const;
    // Sends every waiting encrypted byte within `timeout` ms (-2: no limit): 1 done, 0 time-out,
    // -1 the socket failed.
    int FlushOutputWithin(int timeout);
    // Hands what one receive from the socket gave (0: closed, -1: failed) to OpenSSL.
    void PumpInput(const char* chunk, long received);
    // Takes every whole record OpenSSL holds into the decrypted bytes.
    void DecryptAvailable();
    [[noreturn]] void FailHandshake(const std::string& reason);
    // Encrypts one record of at most 16 KiB; a handshake that the server asks for meanwhile is
    // served first, within HandshakeTimeout. Failures close and raise ENetTLSError.
    int WriteRecord(const char* data, int size);
    [[noreturn]] void FailConnection(const std::string& reason);

    std::unique_ptr<TSession> Session;
};

} // namespace corvalet
