#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/Socket.h"

namespace corvalet::test {

// Network fixtures on 127.0.0.1 only, at ports the system chooses. Nothing here waits without a
// limit: every wait ends after a few seconds at most, or when the server stops.

// A socket that this fixture closes at the end.
class TOwnedSocket {
public:
    TOwnedSocket() = default;
    explicit TOwnedSocket(TSocket socket) : Socket(socket) {}
    ~TOwnedSocket() { Close(); }
    TOwnedSocket(TOwnedSocket&& other) noexcept : Socket(other.Release()) {}
    TOwnedSocket& operator=(TOwnedSocket&& other) noexcept;
    TOwnedSocket(const TOwnedSocket&) = delete;
    TOwnedSocket& operator=(const TOwnedSocket&) = delete;

    TSocket Get() const { return Socket; }
    TSocket Release();
    void Close();

private:
    TSocket Socket = InvalidSocketValue;
};

// A socket bound to 127.0.0.1 at a system-chosen port (or `port`), listening with `backlog`
// unless `listen` is false (then connects to it are refused, and the port stays taken).
TOwnedSocket BindLoopback(bool listen, int backlog = 8, int port = 0);
int LocalPort(const TOwnedSocket& socket);

// The server side of one accepted connection.
class TLoopbackPeer {
public:
    TLoopbackPeer(TOwnedSocket socket, const std::atomic<bool>& stopping);

    void Send(const std::string& bytes);
    // The next line the client sent, without its CR LF or LF. False when the client closed, the
    // server stops or `timeoutMs` passed first.
    bool ReadLine(std::string& line, int timeoutMs = 3000);
    // Stays silent until the client closes or the server stops.
    void WaitForClose(int timeoutMs = 5000);
    // Closes this side (after taking what the client sent, so that the close is an orderly one).
    void Close();
    // Ends the connection with a reset, as a crashed or impatient server does.
    void Reset();
    // Reads nothing for `milliseconds` (or until the server stops): the client's writes pile up.
    void StopReading(int milliseconds);
    // Every byte read from the client so far.
    const std::string& Received() const { return Input; }

private:
    // Reads what is there within `timeoutMs`; false when nothing more will come.
    bool ReadMore(int timeoutMs);

    TOwnedSocket Socket;
    const std::atomic<bool>& Stopping;
    std::string Input;
    std::size_t Consumed = 0;
    bool Ended = false;
};

using TLoopbackScript = std::function<void(TLoopbackPeer& peer)>;

// A TCP server on 127.0.0.1 at a system-chosen port. It accepts connections one after another on
// its own thread and runs the script for each; the connection closes when the script returns.
class TLoopbackServer {
public:
    explicit TLoopbackServer(TLoopbackScript script);
    ~TLoopbackServer();
    TLoopbackServer(const TLoopbackServer&) = delete;
    TLoopbackServer& operator=(const TLoopbackServer&) = delete;

    int Port() const { return ListenPort; }
    // Stops accepting, ends the running script's waits and waits for the thread.
    void Stop();
    // What each connection so far received from its client, in order of acceptance.
    std::vector<std::string> Received() const;
    // Waits until `count` connections have ended (at most `timeoutMs`).
    bool WaitForConnectionsEnded(int count, int timeoutMs = 3000) const;

private:
    void Run();

    TLoopbackScript Script;
    TOwnedSocket Listener;
    int ListenPort = 0;
    std::atomic<bool> Stopping{false};
    mutable std::mutex Lock;
    std::vector<std::string> Inputs;
    std::thread Thread;
};

// A listener whose accept queue is full: Linux drops the SYNs of further connects, so a connect
// to it neither succeeds nor fails until the client gives up.
class TFullLoopbackListener {
public:
    TFullLoopbackListener();
    int Port() const { return ListenPort; }

private:
    TOwnedSocket Listener;
    int ListenPort = 0;
    std::vector<TOwnedSocket> Waiting;
};

// Two connected sockets over 127.0.0.1.
struct TLoopbackSocketPair {
    TLoopbackSocketPair();
    TOwnedSocket Client;
    TOwnedSocket Server;
};

} // namespace corvalet::test
