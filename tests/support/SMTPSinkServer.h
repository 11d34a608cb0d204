#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>

#include "support/LoopbackServer.h"

namespace corvalet::test {

// An SMTP server on 127.0.0.1 that accepts every command and throws the message data away as fast
// as it arrives: the far end for delivery benchmarks. It answers any client (this program, curl,
// Python's smtplib), one connection at a time.
// Given a certificate, it speaks TLS from the first byte (as on port 465), so that the cost of the
// encryption can be measured too; without one, plain SMTP.
class TSMTPSinkServer {
public:
    TSMTPSinkServer();
    // `chainFile`: PEM of the server's certificate and its chain; `keyFile`: PEM of its private key
    // (both may be the same file).
    TSMTPSinkServer(const std::string& chainFile, const std::string& keyFile);
    ~TSMTPSinkServer();
    TSMTPSinkServer(const TSMTPSinkServer&) = delete;
    TSMTPSinkServer& operator=(const TSMTPSinkServer&) = delete;

    int Port() const { return ListenPort; }
    // Messages received whole, and the bytes of their data (the end-of-data line not counted).
    std::int64_t Messages() const { return MessageCount; }
    std::int64_t DataBytes() const { return ByteCount; }
    // Whether the reply to EHLO offers PIPELINING (not at first). Commands are answered in the
    // order they come either way, so a client may group them whenever it likes.
    void OfferPipelining(bool offer) { Pipelining = offer; }

private:
    class TConnection;
    struct TTLSContext;

    void Run();
    void Converse(TConnection& connection);

    std::unique_ptr<TTLSContext> TLS; // null: plain SMTP
    TOwnedSocket Listener;
    int ListenPort = 0;
    std::atomic<bool> Stopping{false};
    std::atomic<bool> Pipelining{false};
    std::atomic<std::int64_t> MessageCount{0};
    std::atomic<std::int64_t> ByteCount{0};
    std::thread Thread;
};

} // namespace corvalet::test
