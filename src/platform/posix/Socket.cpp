#include "platform/Socket.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace corvalet {

namespace {

thread_local int LastError = 0;

int Fail(int code) {
    LastError = code;
    return -1;
}

int FailErrno() {
    return Fail(SocketErrorCodeFromErrno(errno));
}

sockaddr_in ToSockAddr(const TSocketAddress& address) {
    sockaddr_in result{};
    result.sin_family = AF_INET;
    result.sin_addr.s_addr = htonl(address.Address);
    result.sin_port = htons(address.Port);
    return result;
}

TSocketAddress FromSockAddr(const sockaddr_in& address) {
    return TSocketAddress{ntohl(address.sin_addr.s_addr), ntohs(address.sin_port)};
}

int SetBlocking(TSocket socket, bool blocking) {
    const int flags = ::fcntl(socket, F_GETFL, 0);
    if (flags < 0)
        return FailErrno();
    const int wanted = blocking ? (flags & ~O_NONBLOCK) : (flags | O_NONBLOCK);
    if (wanted != flags && ::fcntl(socket, F_SETFL, wanted) < 0)
        return FailErrno();
    return 0;
}

// poll on one socket, repeated after a signal with what is left of the time-out.
int PollOne(TSocket socket, short events, int timeoutMs) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs);
    pollfd entry{socket, events, 0};
    for (;;) {
        int wait = timeoutMs < 0 ? -1 : 0;
        if (timeoutMs > 0) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            wait = left.count() > 0 ? static_cast<int>(left.count()) : 0;
        }
        const int result = ::poll(&entry, 1, wait);
        if (result >= 0)
            return result > 0 ? 1 : 0;
        if (errno != EINTR)
            return FailErrno();
    }
}

int AddressOf(TSocket socket, TSocketAddress& address, bool peer) {
    sockaddr_in raw{};
    socklen_t length = sizeof raw;
    auto* target = reinterpret_cast<sockaddr*>(&raw);
    const int result = peer ? ::getpeername(socket, target, &length) : ::getsockname(socket, target, &length);
    if (result != 0)
        return FailErrno();
    address = FromSockAddr(raw);
    return 0;
}

} // namespace

int LastSocketError() {
    return LastError;
}

int SocketErrorCodeFromErrno(int error) {
    switch (error) {
    case EINTR:
        return SocketErrorCode::Interrupted;
    case EBADF:
        return SocketErrorCode::BadFileNumber;
    case EACCES:
    case EPERM:
        return SocketErrorCode::AccessDenied;
    case EFAULT:
        return SocketErrorCode::BadAddress;
    case EINVAL:
        return SocketErrorCode::InvalidArgument;
    case EMFILE:
    case ENFILE:
        return SocketErrorCode::TooManyOpenFiles;
    case EWOULDBLOCK:
        return SocketErrorCode::WouldBlock;
    case EINPROGRESS:
        return SocketErrorCode::InProgress;
    case EALREADY:
        return SocketErrorCode::AlreadyInProgress;
    case ENOTSOCK:
        return SocketErrorCode::NotASocket;
    case EDESTADDRREQ:
        return SocketErrorCode::DestinationRequired;
    case EMSGSIZE:
        return SocketErrorCode::MessageTooLong;
    case EPROTOTYPE:
        return SocketErrorCode::WrongProtocolType;
    case ENOPROTOOPT:
        return SocketErrorCode::BadProtocolOption;
    case EPROTONOSUPPORT:
        return SocketErrorCode::ProtocolNotSupported;
    case ESOCKTNOSUPPORT:
        return SocketErrorCode::SocketTypeNotSupported;
    case EOPNOTSUPP:
        return SocketErrorCode::OperationNotSupported;
    case EPFNOSUPPORT:
        return SocketErrorCode::ProtocolFamilyNotSupported;
    case EAFNOSUPPORT:
        return SocketErrorCode::AddressFamilyNotSupported;
    case EADDRINUSE:
        return SocketErrorCode::AddressInUse;
    case EADDRNOTAVAIL:
        return SocketErrorCode::AddressNotAvailable;
    case ENETDOWN:
        return SocketErrorCode::NetworkDown;
    case ENETUNREACH:
        return SocketErrorCode::NetworkUnreachable;
    case ENETRESET:
        return SocketErrorCode::NetworkReset;
    case ECONNABORTED:
        return SocketErrorCode::ConnectionAborted;
    case ECONNRESET:
        return SocketErrorCode::ConnectionReset;
    case ENOBUFS:
    case ENOMEM:
        return SocketErrorCode::NoBufferSpace;
    case EISCONN:
        return SocketErrorCode::AlreadyConnected;
    case ENOTCONN:
        return SocketErrorCode::NotConnected;
    case EPIPE:
    case ESHUTDOWN:
        return SocketErrorCode::Shutdown;
    case ETOOMANYREFS:
        return SocketErrorCode::TooManyReferences;
    case ETIMEDOUT:
        return SocketErrorCode::TimedOut;
    case ECONNREFUSED:
        return SocketErrorCode::ConnectionRefused;
    case ELOOP:
        return SocketErrorCode::SymbolicLinkLoop;
    case ENAMETOOLONG:
        return SocketErrorCode::NameTooLong;
    case EHOSTDOWN:
        return SocketErrorCode::HostDown;
    case EHOSTUNREACH:
        return SocketErrorCode::HostUnreachable;
    case ENOTEMPTY:
        return SocketErrorCode::DirectoryNotEmpty;
    default:
        return 10000 + error;
    }
}

TSocket CreateStreamSocket() {
    const int socket = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    return socket >= 0 ? socket : FailErrno();
}

int CloseSocket(TSocket socket) {
    // A close interrupted by a signal has released the descriptor all the same on Linux; closing
    // it again could close a descriptor that another part of the program opened meanwhile.
    if (::close(socket) != 0 && errno != EINTR)
        return FailErrno();
    return 0;
}

int ShutdownSocketSend(TSocket socket) {
    return ::shutdown(socket, SHUT_WR) == 0 ? 0 : FailErrno();
}

int BindSocket(TSocket socket, const TSocketAddress& local) {
    const sockaddr_in raw = ToSockAddr(local);
    return ::bind(socket, reinterpret_cast<const sockaddr*>(&raw), sizeof raw) == 0 ? 0 : FailErrno();
}

int ListenSocket(TSocket socket, int backlog) {
    return ::listen(socket, backlog) == 0 ? 0 : FailErrno();
}

TSocket AcceptConnection(TSocket socket, TSocketAddress* peer) {
    for (;;) {
        sockaddr_in raw{};
        socklen_t length = sizeof raw;
        const int accepted = ::accept4(socket, reinterpret_cast<sockaddr*>(&raw), &length, SOCK_CLOEXEC);
        if (accepted >= 0) {
            if (peer != nullptr)
                *peer = FromSockAddr(raw);
            return accepted;
        }
        if (errno != EINTR)
            return FailErrno();
    }
}

int SetSocketNoDelay(TSocket socket, bool noDelay) {
    const int value = noDelay ? 1 : 0;
    return ::setsockopt(socket, IPPROTO_TCP, TCP_NODELAY, &value, sizeof value) == 0 ? 0 : FailErrno();
}

int SocketLocalAddress(TSocket socket, TSocketAddress& local) {
    return AddressOf(socket, local, false);
}

int SocketPeerAddress(TSocket socket, TSocketAddress& peer) {
    return AddressOf(socket, peer, true);
}

int ConnectSocket(TSocket socket, const TSocketAddress& peer) {
    const sockaddr_in raw = ToSockAddr(peer);
    if (::connect(socket, reinterpret_cast<const sockaddr*>(&raw), sizeof raw) == 0)
        return 0;
    if (errno != EINTR)
        return FailErrno();
    // An interrupted connect goes on in the background: wait for it to end and take its outcome.
    if (PollOne(socket, POLLOUT, -1) < 0)
        return -1;
    return EndConnect(socket);
}

int BeginConnect(TSocket socket, const TSocketAddress& peer) {
    if (SetBlocking(socket, false) != 0)
        return -1;
    const sockaddr_in raw = ToSockAddr(peer);
    if (::connect(socket, reinterpret_cast<const sockaddr*>(&raw), sizeof raw) == 0)
        return SetBlocking(socket, true) == 0 ? 0 : -1;
    if (errno == EINPROGRESS || errno == EINTR)
        return 1;
    const int code = SocketErrorCodeFromErrno(errno);
    SetBlocking(socket, true);
    return Fail(code);
}

int WaitConnectProgress(TSocket socket, int timeoutMs) {
    return PollOne(socket, POLLOUT, timeoutMs);
}

int EndConnect(TSocket socket) {
    int error = 0;
    socklen_t length = sizeof error;
    if (::getsockopt(socket, SOL_SOCKET, SO_ERROR, &error, &length) != 0)
        return FailErrno();
    if (SetBlocking(socket, true) != 0)
        return -1;
    return error == 0 ? 0 : Fail(SocketErrorCodeFromErrno(error));
}

int WaitSocketReadable(TSocket socket, int timeoutMs) {
    return PollOne(socket, POLLIN, timeoutMs);
}

long ReceiveFromSocket(TSocket socket, void* buffer, std::size_t size) {
    for (;;) {
        const ssize_t received = ::recv(socket, buffer, size, 0);
        if (received >= 0)
            return static_cast<long>(received);
        if (errno != EINTR)
            return FailErrno();
    }
}

long SendToSocket(TSocket socket, const void* data, std::size_t size) {
    for (;;) {
        const ssize_t sent = ::send(socket, data, size, MSG_NOSIGNAL);
        if (sent >= 0)
            return static_cast<long>(sent);
        if (errno != EINTR)
            return FailErrno();
    }
}

long SendToSocketNow(TSocket socket, const void* data, std::size_t size) {
    for (;;) {
        const ssize_t sent = ::send(socket, data, size, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (sent >= 0)
            return static_cast<long>(sent);
        if (errno != EINTR)
            return FailErrno();
    }
}

int WaitSocketWritable(TSocket socket, int timeoutMs) {
    return PollOne(socket, POLLOUT, timeoutMs);
}

int ResolveHostAddress(const std::string& name, std::uint32_t& address) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    const int result = ::getaddrinfo(name.c_str(), nullptr, &hints, &found);
    if (result != 0) {
        switch (result) {
        case EAI_NONAME:
            return SocketErrorCode::HostNotFound;
        case EAI_AGAIN:
            return SocketErrorCode::TryAgain;
#ifdef EAI_NODATA
        case EAI_NODATA:
            return SocketErrorCode::NoData;
#endif
#ifdef EAI_ADDRFAMILY
        case EAI_ADDRFAMILY:
            return SocketErrorCode::NoData;
#endif
        default:
            return SocketErrorCode::NoRecovery;
        }
    }
    const auto* first = reinterpret_cast<const sockaddr_in*>(found->ai_addr);
    address = ntohl(first->sin_addr.s_addr);
    ::freeaddrinfo(found);
    return 0;
}

std::string SocketHostName() {
    char buffer[250] = {};
    if (::gethostname(buffer, sizeof buffer - 1) != 0)
        return std::string();
    return std::string(buffer);
}

} // namespace corvalet
