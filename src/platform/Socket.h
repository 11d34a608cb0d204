#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace corvalet {

// The thin layer between the program and the system's IPv4 stream sockets. Every call that fails
// returns -1 (or InvalidSocketValue) and leaves the reason, as one of the program's socket error
// codes below, for LastSocketError() on the calling thread. A call interrupted by a signal is
// repeated; a send never raises SIGPIPE.

using TSocket = int;
constexpr TSocket InvalidSocketValue = -1;

// An IPv4 address in host byte order and a port.
struct TSocketAddress {
    std::uint32_t Address = 0;
    std::uint16_t Port = 0;
};

constexpr std::uint32_t LoopbackAddress = 0x7F000001; // 127.0.0.1
constexpr std::uint32_t AnyAddress = 0;

// The program's socket error codes: the program reports every failure with these numbers and
// their texts, whatever the system's own numbering is.
namespace SocketErrorCode {
constexpr int Interrupted = 10004;
constexpr int BadFileNumber = 10009;
constexpr int AccessDenied = 10013;
constexpr int BadAddress = 10014;
constexpr int InvalidArgument = 10022;
constexpr int TooManyOpenFiles = 10024;
constexpr int WouldBlock = 10035;
constexpr int InProgress = 10036;
constexpr int AlreadyInProgress = 10037;
constexpr int NotASocket = 10038;
constexpr int DestinationRequired = 10039;
constexpr int MessageTooLong = 10040;
constexpr int WrongProtocolType = 10041;
constexpr int BadProtocolOption = 10042;
constexpr int ProtocolNotSupported = 10043;
constexpr int SocketTypeNotSupported = 10044;
constexpr int OperationNotSupported = 10045;
constexpr int ProtocolFamilyNotSupported = 10046;
constexpr int AddressFamilyNotSupported = 10047;
constexpr int AddressInUse = 10048;
constexpr int AddressNotAvailable = 10049;
constexpr int NetworkDown = 10050;
constexpr int NetworkUnreachable = 10051;
constexpr int NetworkReset = 10052;
constexpr int ConnectionAborted = 10053;
constexpr int ConnectionReset = 10054;
constexpr int NoBufferSpace = 10055;
constexpr int AlreadyConnected = 10056;
constexpr int NotConnected = 10057;
constexpr int Shutdown = 10058;
constexpr int TooManyReferences = 10059;
constexpr int TimedOut = 10060;
constexpr int ConnectionRefused = 10061;
constexpr int SymbolicLinkLoop = 10062;
constexpr int NameTooLong = 10063;
constexpr int HostDown = 10064;
constexpr int HostUnreachable = 10065;
constexpr int DirectoryNotEmpty = 10066;
constexpr int HostNotFound = 11001;
constexpr int TryAgain = 11002;
constexpr int NoRecovery = 11003;
constexpr int NoData = 11004;
} // namespace SocketErrorCode

// The code of the last failed socket call on this thread.
int LastSocketError();
// The program's code for a system error number (errno); unknown numbers give 10000 + errno.
int SocketErrorCodeFromErrno(int error);

TSocket CreateStreamSocket();
int CloseSocket(TSocket socket);
int ShutdownSocketSend(TSocket socket);
int BindSocket(TSocket socket, const TSocketAddress& local);
int ListenSocket(TSocket socket, int backlog);
// The accepted connection, or InvalidSocketValue. `peer` may be null.
TSocket AcceptConnection(TSocket socket, TSocketAddress* peer);
int SetSocketNoDelay(TSocket socket, bool noDelay);
int SocketLocalAddress(TSocket socket, TSocketAddress& local);
int SocketPeerAddress(TSocket socket, TSocketAddress& peer);

// A connect that blocks until it succeeds or fails.
int ConnectSocket(TSocket socket, const TSocketAddress& peer);
// A connect in steps, so that the caller can keep its windows alive and give up after a time:
// BeginConnect returns 0 when connected at once, 1 while the connect goes on, -1 on failure;
// WaitConnectProgress waits up to timeoutMs for the connect to end (1 ended, 0 still going on,
// -1 failure of the wait itself); EndConnect gives the outcome (0 connected, -1 failed) and makes
// the socket blocking again.
int BeginConnect(TSocket socket, const TSocketAddress& peer);
int WaitConnectProgress(TSocket socket, int timeoutMs);
int EndConnect(TSocket socket);

// Waits until the socket has data or the peer closed or failed: 1 readable, 0 time-out, -1 failure.
// A negative time-out waits without limit.
int WaitSocketReadable(TSocket socket, int timeoutMs);
// Bytes received (0 when the peer closed), or -1.
long ReceiveFromSocket(TSocket socket, void* buffer, std::size_t size);
// Bytes sent (possibly fewer than asked), or -1.
long SendToSocket(TSocket socket, const void* data, std::size_t size);
// Like SendToSocket, but never waits for room in the send buffer: when there is none it fails
// with WouldBlock, so that the caller can wait for writability under its own time-out.
long SendToSocketNow(TSocket socket, const void* data, std::size_t size);
// Waits until the socket can take more bytes, or the peer failed: 1 writable, 0 time-out,
// -1 failure. A negative time-out waits without limit.
int WaitSocketWritable(TSocket socket, int timeoutMs);

// The first IPv4 address of a host name. Returns 0, or a resolver code (11001 the name is not known).
int ResolveHostAddress(const std::string& name, std::uint32_t& address);
// This machine's host name.
std::string SocketHostName();

} // namespace corvalet
