#include "support/LoopbackServer.h"

#include <algorithm>
#include <chrono>
#include <stdexcept>
#include <thread>

#include <sys/socket.h>

namespace corvalet::test {

namespace {

using Clock = std::chrono::steady_clock;

constexpr int PollStep = 20;

[[noreturn]] void Fail(const std::string& what) {
    throw std::runtime_error("loopback fixture: " + what + " failed with " +
                             std::to_string(LastSocketError()));
}

int MillisecondsLeft(Clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

} // namespace

TOwnedSocket& TOwnedSocket::operator=(TOwnedSocket&& other) noexcept {
    if (this != &other) {
        Close();
        Socket = other.Release();
    }
    return *this;
}

TSocket TOwnedSocket::Release() {
    const TSocket socket = Socket;
    Socket = InvalidSocketValue;
    return socket;
}

void TOwnedSocket::Close() {
    if (Socket != InvalidSocketValue)
        CloseSocket(Release());
}

TOwnedSocket BindLoopback(bool listen, int backlog, int port) {
    TOwnedSocket socket(CreateStreamSocket());
    if (socket.Get() == InvalidSocketValue)
        Fail("socket");
    if (BindSocket(socket.Get(), TSocketAddress{LoopbackAddress, static_cast<std::uint16_t>(port)}) != 0)
        Fail("bind");
    if (listen && ListenSocket(socket.Get(), backlog) != 0)
        Fail("listen");
    return socket;
}

int LocalPort(const TOwnedSocket& socket) {
    TSocketAddress address;
    if (SocketLocalAddress(socket.Get(), address) != 0)
        Fail("getsockname");
    return address.Port;
}

TLoopbackPeer::TLoopbackPeer(TOwnedSocket socket, const std::atomic<bool>& stopping)
    : Socket(std::move(socket)), Stopping(stopping) {}

void TLoopbackPeer::Send(const std::string& bytes) {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const long n = SendToSocket(Socket.Get(), bytes.data() + sent, bytes.size() - sent);
        if (n <= 0)
            return; // the client is gone; the test sees that on its own side
        sent += static_cast<std::size_t>(n);
    }
}

bool TLoopbackPeer::ReadMore(int timeoutMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!Ended && !Stopping) {
        const int ready = WaitSocketReadable(Socket.Get(), std::min(PollStep, MillisecondsLeft(deadline)));
        if (ready < 0)
            break;
        if (ready == 1) {
            char chunk[65536];
            const long n = ReceiveFromSocket(Socket.Get(), chunk, sizeof chunk);
            if (n <= 0) {
                Ended = true;
                return false;
            }
            Input.append(chunk, static_cast<std::size_t>(n));
            return true;
        }
        if (MillisecondsLeft(deadline) == 0)
            return false;
    }
    return false;
}

bool TLoopbackPeer::ReadLine(std::string& line, int timeoutMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const std::size_t end = Input.find('\n', Consumed);
        if (end != std::string::npos) {
            line = Input.substr(Consumed, end - Consumed);
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            Consumed = end + 1;
            return true;
        }
        if (!ReadMore(MillisecondsLeft(deadline)))
            return false;
    }
}

void TLoopbackPeer::WaitForClose(int timeoutMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!Ended && !Stopping && MillisecondsLeft(deadline) > 0)
        ReadMore(MillisecondsLeft(deadline));
}

void TLoopbackPeer::Reset() {
    const linger abort{1, 0};
    ::setsockopt(Socket.Get(), SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
    Socket.Close();
    Ended = true;
}

void TLoopbackPeer::StopReading(int milliseconds) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(milliseconds);
    while (!Stopping && MillisecondsLeft(deadline) > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(std::min(10, MillisecondsLeft(deadline))));
}

void TLoopbackPeer::Close() {
    // Unread input would turn the close into a reset, which may cost the client the bytes it has
    // not read yet.
    while (!Ended && WaitSocketReadable(Socket.Get(), 0) == 1 && ReadMore(0)) {
    }
    Socket.Close();
}

TLoopbackServer::TLoopbackServer(TLoopbackScript script)
    : Script(std::move(script)), Listener(BindLoopback(true)), ListenPort(LocalPort(Listener)) {
    Thread = std::thread([this] { Run(); });
}

TLoopbackServer::~TLoopbackServer() {
    Stop();
}

void TLoopbackServer::Stop() {
    Stopping = true;
    if (Thread.joinable())
        Thread.join();
}

void TLoopbackServer::Run() {
    while (!Stopping) {
        if (WaitSocketReadable(Listener.Get(), PollStep) != 1)
            continue;
        TOwnedSocket accepted(AcceptConnection(Listener.Get(), nullptr));
        if (accepted.Get() == InvalidSocketValue)
            continue;
        TLoopbackPeer peer(std::move(accepted), Stopping);
        if (Script)
            Script(peer);
        peer.Close();
        std::lock_guard lock(Lock);
        Inputs.push_back(peer.Received());
    }
}

std::vector<std::string> TLoopbackServer::Received() const {
    std::lock_guard lock(Lock);
    return Inputs;
}

bool TLoopbackServer::WaitForConnectionsEnded(int count, int timeoutMs) const {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        {
            std::lock_guard lock(Lock);
            if (static_cast<int>(Inputs.size()) >= count)
                return true;
        }
        if (MillisecondsLeft(deadline) == 0)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

TFullLoopbackListener::TFullLoopbackListener()
    : Listener(BindLoopback(true, 0)), ListenPort(LocalPort(Listener)) {
    // Connections that are never accepted fill the queue; once a connect stays unanswered, the
    // queue is full and every further connect hangs the same way.
    for (int attempt = 0; attempt < 16; ++attempt) {
        TOwnedSocket client(CreateStreamSocket());
        const int started = BeginConnect(
            client.Get(), TSocketAddress{LoopbackAddress, static_cast<std::uint16_t>(ListenPort)});
        if (started < 0)
            Fail("connect");
        const bool pending = started == 1 && WaitConnectProgress(client.Get(), 200) == 0;
        Waiting.push_back(std::move(client));
        if (pending)
            return;
    }
    Fail("filling the accept queue");
}

TLoopbackSocketPair::TLoopbackSocketPair() {
    TOwnedSocket listener = BindLoopback(true, 1);
    Client = TOwnedSocket(CreateStreamSocket());
    if (ConnectSocket(Client.Get(),
                      TSocketAddress{LoopbackAddress, static_cast<std::uint16_t>(LocalPort(listener))}) != 0)
        Fail("connect");
    Server = TOwnedSocket(AcceptConnection(listener.Get(), nullptr));
    if (Server.Get() == InvalidSocketValue)
        Fail("accept");
}

} // namespace corvalet::test
