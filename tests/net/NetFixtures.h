#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "net/Exceptions.h"
#include "net/TCPClient.h"
#include "support/LoopbackServer.h"

namespace corvalet::test {

// A server that sends `bytes` to each client and then closes, or stays silent until the client
// closes.
enum class TAfterReply { Close, StaySilent };

inline TLoopbackScript Reply(std::string bytes, TAfterReply after = TAfterReply::StaySilent) {
    return [bytes, after](TLoopbackPeer& peer) {
        peer.Send(bytes);
        if (after == TAfterReply::StaySilent)
            peer.WaitForClose();
    };
}

// A client connected to a loopback server that runs `script`.
struct TLoopbackSession {
    explicit TLoopbackSession(TLoopbackScript script) : Server(std::move(script)) {
        Client.Host = "127.0.0.1";
        Client.Port = Server.Port();
        Client.ReadTimeout = 2000;
        Client.Connect();
    }
    ~TLoopbackSession() { Client.Disconnect(); }

    TLoopbackServer Server;
    TNetTCPClient Client;
};

// Runs `action` and returns the message of the ENet exception of type E it raises; fails the test
// when it raises nothing or something else.
template <typename E> std::string MessageOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const E& error) {
        return error.what();
    } catch (const std::exception& other) {
        ADD_FAILURE() << "unexpected exception: " << other.what();
        return std::string();
    }
    ADD_FAILURE() << "no exception";
    return std::string();
}

// Milliseconds that `action` took.
inline long ElapsedMs(const std::function<void()>& action) {
    const auto start = std::chrono::steady_clock::now();
    action();
    return static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start)
            .count());
}

} // namespace corvalet::test
