#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "support/LoopbackServer.h"
#include "support/TempDir.h"

namespace corvalet::test {

// How the TLS SMTP server behaves.
struct TTLSSMTPOptions {
    // The names and addresses of its certificate, as written: "f*.example.test" is taken as it is.
    std::vector<std::string> CertificateNames{"127.0.0.1"};
    // TLS 1.2 at most (else 1.3 as well).
    bool TLS12Only = false;
    // Before it answers the command that starts with this ("DATA", or "." for the end of the
    // message) it asks for a new handshake (TLS 1.2) or updates its keys and asks the client to
    // update its own (TLS 1.3).
    std::string NewKeysBefore;
};

// An SMTP server on 127.0.0.1 at a system-chosen port that speaks TLS from the first byte, for one
// connection, with a certificate from a throwaway authority made with OpenSSL. It answers every
// command with 250 (DATA 354, QUIT 221) and records every line and how the client ended TLS.
// Every wait ends after a few seconds at most.
class TTLSSMTPServer {
public:
    explicit TTLSSMTPServer(TTLSSMTPOptions options = {});
    ~TTLSSMTPServer();
    TTLSSMTPServer(const TTLSSMTPServer&) = delete;
    TTLSSMTPServer& operator=(const TTLSSMTPServer&) = delete;

    int Port() const { return ListenPort; }
    // The PEM file of the authority that issued the server's certificate.
    std::string AuthorityFile() const { return Folder.File("authority.pem").string(); }

    // Waits until the connection has ended (at most a few seconds); false when it has not.
    bool WaitForEnd();
    // After WaitForEnd: every line received (the message's lines included), without CR LF.
    std::vector<std::string> Lines() const;
    // After WaitForEnd: whether the client ended TLS with close_notify after its last line.
    bool SawCloseNotify() const { return CloseNotify; }
    // After WaitForEnd: whether the new TLS 1.2 handshake that NewKeysBefore asked for was
    // completed (TLS 1.3 key updates leave no trace to look at).
    bool NewHandshakeDone() const { return HandshakeDone; }
    // After WaitForEnd: what went wrong on the server's side, "" when nothing did.
    std::string Failure() const;

private:
    void Run();
    void Converse(void* ssl);

    TTLSSMTPOptions Options;
    TTempDir Folder;
    std::string CertificatePem;
    std::string KeyPem;
    TOwnedSocket Listener;
    int ListenPort = 0;
    mutable std::mutex Lock;
    std::vector<std::string> Received;
    std::string Problem;
    std::atomic<bool> CloseNotify{false};
    std::atomic<bool> HandshakeDone{false};
    std::atomic<bool> Ended{false};
    std::thread Thread;
};

} // namespace corvalet::test
