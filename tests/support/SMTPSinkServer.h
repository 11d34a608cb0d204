#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>

#include "support/LoopbackServer.h"

namespace corvalet::test {

// An SMTP server on 127.0.0.1 that accepts every command and throws the message data away as fast
// as it arrives: the far end for delivery benchmarks. It answers any client (this program, curl,
// Python's smtplib), one connection at a time.
class TSMTPSinkServer {
public:
    TSMTPSinkServer();
    ~TSMTPSinkServer();
    TSMTPSinkServer(const TSMTPSinkServer&) = delete;
    TSMTPSinkServer& operator=(const TSMTPSinkServer&) = delete;

    int Port() const { return ListenPort; }
    // Messages received whole, and the bytes of their data (the end-of-data line not counted).
    std::int64_t Messages() const { return MessageCount; }
    std::int64_t DataBytes() const { return ByteCount; }

private:
    void Run();
    void Converse(TSocket socket);

    TOwnedSocket Listener;
    int ListenPort = 0;
    std::atomic<bool> Stopping{false};
    std::atomic<std::int64_t> MessageCount{0};
    std::atomic<std::int64_t> ByteCount{0};
    std::thread Thread;
};

} // namespace corvalet::test
