#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>

namespace corvalet {

// Every failure of the socket stack, the TCP connection and the protocols above it. The caller
// sees the class and the message text; the mail job writes the text to its log.
class ENetException : public std::runtime_error {
public:
    explicit ENetException(const std::string& message) : std::runtime_error(message) {}
};

// A failure that is part of the normal end of a connection.
class ENetSilentException : public ENetException {
public:
    using ENetException::ENetException;
};

class ENetConnClosedGracefully : public ENetSilentException {
public:
    ENetConnClosedGracefully() : ENetSilentException("Connection Closed Gracefully.") {}
};

class ENetReadTimeout : public ENetException {
public:
    ENetReadTimeout() : ENetException("Read Timeout") {}
};

// A peer that takes no more bytes for the read time-out while a write waits.
class ENetWriteTimeout : public ENetException {
public:
    ENetWriteTimeout() : ENetException("Write Timeout") {}
};

// A reply that does not end within the bounds the client sets for one reply.
class ENetReplyTooLong : public ENetException {
public:
    ENetReplyTooLong(std::size_t lines, std::size_t bytes)
        : ENetException("The server's reply is longer than " + std::to_string(lines) + " lines or " +
                        std::to_string(bytes) + " bytes.") {}
};

class ENetConnectTimeout : public ENetException {
public:
    ENetConnectTimeout() : ENetException("Connect timed out.") {}
};

// A connect failure that carried no socket error code; the message is the failure's own.
class ENetConnectException : public ENetException {
public:
    using ENetException::ENetException;
};

// A failed socket call, with the program's code of the failure.
class ENetSocketError : public ENetException {
public:
    ENetSocketError(int code, const std::string& message) : ENetException(message), ErrorCode(code) {}
    int ErrorCode;
};

// A reply code the caller did not expect; the message is the reply's text.
class ENetProtocolReplyError : public ENetException {
public:
    ENetProtocolReplyError(int code, const std::string& message) : ENetException(message), ReplyCode(code) {}
    int ReplyCode;
};

class ENetAlreadyConnected : public ENetException {
public:
    ENetAlreadyConnected() : ENetException("Already connected.") {}
};

class ENetTCPConnectionError : public ENetException {
public:
    using ENetException::ENetException;
};

class ENetNotConnected : public ENetTCPConnectionError {
public:
    ENetNotConnected() : ENetTCPConnectionError("Not Connected") {}
};

class ENetNotEnoughDataInBuffer : public ENetTCPConnectionError {
public:
    ENetNotEnoughDataInBuffer() : ENetTCPConnectionError("Not enough data in buffer.") {}
};

class ENetReadLnMaxLineLengthExceeded : public ENetException {
public:
    ENetReadLnMaxLineLengthExceeded() : ENetException("Max line length exceeded.") {}
};

class ENetClosedSocket : public ENetException {
public:
    ENetClosedSocket() : ENetException("Disconnected.") {}
};

class ENetInvalidSocket : public ENetException {
public:
    ENetInvalidSocket() : ENetException("Cannot allocate socket.") {}
};

class ENetSocketHandleError : public ENetException {
public:
    using ENetException::ENetException;
};

class ENetCouldNotBindSocket : public ENetSocketHandleError {
public:
    ENetCouldNotBindSocket()
        : ENetSocketHandleError("Could not bind socket. Address and port are already in use.") {}
};

// A port number that no TCP port has: refused before any socket work, instead of letting the
// number wrap round into some other port.
class ENetInvalidPort : public ENetException {
public:
    explicit ENetInvalidPort(int port)
        : ENetException(std::to_string(port) + " is not a valid port number (1 to 65535).") {}
};

class ENetStackError : public ENetException {
public:
    using ENetException::ENetException;
};

class ENetInvalidIPAddress : public ENetStackError {
public:
    explicit ENetInvalidIPAddress(const std::string& text)
        : ENetStackError(text + " is not a valid IP address.") {}
};

// Kept for a socket library that cannot start; the POSIX stack needs no start-up.
class ENetStackInitializationFailed : public ENetStackError {
public:
    ENetStackInitializationFailed() : ENetStackError("Winsock Initialization Error.") {}
};

// Kept for a socket library loaded at run time; the POSIX stack is linked in.
class ENetWS2StubError : public ENetException {
public:
    using ENetException::ENetException;
};

} // namespace corvalet
