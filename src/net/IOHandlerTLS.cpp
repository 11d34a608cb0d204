#include "net/IOHandlerTLS.h"

#include <algorithm>
#include <chrono>
#include <optional>

#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

#include "net/Deadline.h"
#include "net/Exceptions.h"
#include "net/Stack.h"
#include "net/TLSExceptions.h"

namespace corvalet {

namespace {

using TSteadyClock = std::chrono::steady_clock;

// One TLS record at most, as read from the socket or from OpenSSL at a time.
constexpr std::size_t ChunkSize = 16384 + 512;

// OpenSSL's reason for the last failure, as a short phrase; the error queue is emptied.
std::string OpenSSLReason(const std::string& fallback) {
    const unsigned long error = ERR_peek_last_error();
    ERR_clear_error();
    if (error == 0)
        return fallback;
    const char* reason = ERR_reason_error_string(error);
    return reason != nullptr ? reason : fallback;
}

// A socket error's text on one line.
std::string OneLine(std::string text) {
    for (std::size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at))
        text.replace(at, 2, " ");
    return text;
}

// The ms left of a wait that ends at `deadline`; -2 (no limit) stays.
int MillisecondsLeft(int timeout, TSteadyClock::time_point deadline) {
    if (timeout == -2)
        return -2;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - TSteadyClock::now());
    return static_cast<int>(std::max<long long>(0, left.count()));
}

TSteadyClock::time_point DeadlineOf(int timeout) {
    return TSteadyClock::now() + std::chrono::milliseconds(std::max(0, timeout));
}

} // namespace

struct TNetIOHandlerTLS::TSession {
    TSession() = default;
    TSession(const TSession&) = delete;
    TSession& operator=(const TSession&) = delete;
    ~TSession() {
        if (Ssl != nullptr)
            SSL_free(Ssl); // frees both memory buffers too
        if (Context != nullptr)
            SSL_CTX_free(Context);
    }

    std::string Host;
    SSL_CTX* Context = nullptr;
    SSL* Ssl = nullptr;
    BIO* Incoming = nullptr; // bytes from the server, for OpenSSL to decrypt
    BIO* Outgoing = nullptr; // bytes from OpenSSL, for the server
    bool Established = false;
    // Encrypted bytes the socket had no room for yet, from CipherStart.
    std::string Cipher;
    std::size_t CipherStart = 0;
    // Decrypted bytes not yet handed on, from PlainStart.
    std::string Plain;
    std::size_t PlainStart = 0;
    // The server closed the connection (or ended TLS): after Plain, reads give 0.
    bool Closed = false;
};

TNetIOHandlerTLS::TNetIOHandlerTLS() = default;

TNetIOHandlerTLS::~TNetIOHandlerTLS() = default;

bool TNetIOHandlerTLS::Encrypted() const {
    return Session && Session->Established && IsOpen();
}

void TNetIOHandlerTLS::Close() {
    Session.reset();
    TNetIOHandlerSocket::Close();
}

void TNetIOHandlerTLS::Open() {
    Session.reset();
    TNetIOHandlerSocket::Open();
}

void TNetIOHandlerTLS::ConnectTo(const std::string& host, int port, int timeout, const TNetLocalBinding& local) {
    TNetIOHandlerSocket::ConnectTo(host, port, timeout, local);
    if (Implicit)
        StartTLS(host);
}

void TNetIOHandlerTLS::StartTLS(const std::string& host) {
    Session = std::make_unique<TSession>();
    TSession& session = *Session;
    session.Host = host;
    ERR_clear_error();
    // Every step that sets up the check of the server is itself checked: one that fails would
    // leave a connection that trusts any certificate.
    if (host.empty())
        FailHandshake("no server name to check its certificate against");
    session.Context = SSL_CTX_new(TLS_client_method());
    if (session.Context == nullptr)
        FailHandshake(OpenSSLReason("TLS is not available"));
    if (SSL_CTX_set_min_proto_version(session.Context, TLS1_2_VERSION) != 1)
        FailHandshake(OpenSSLReason("TLS 1.2 is not available"));
    // A server that drops the connection without ending TLS reads as a closed connection, as it
    // would without TLS; the SMTP replies carry their own ends. A server that renegotiates
    // (TLS 1.2) is served, only securely (OpenSSL's default), and its new certificate is checked
    // as the first one was.
    SSL_CTX_set_options(session.Context, SSL_OP_IGNORE_UNEXPECTED_EOF);
    SSL_CTX_set_verify(session.Context, SSL_VERIFY_PEER, nullptr);
    if (SSL_CTX_set_default_verify_paths(session.Context) != 1)
        FailHandshake(OpenSSLReason("the system's certificates cannot be used"));
    if (!TrustFile.empty() && SSL_CTX_load_verify_locations(session.Context, TrustFile.c_str(), nullptr) != 1) {
        const std::string reason = OpenSSLReason("unreadable");
        Close();
        throw ENetTLSError("The trust file " + TrustFile + " cannot be used: " + reason);
    }
    session.Ssl = SSL_new(session.Context);
    if (session.Ssl == nullptr)
        FailHandshake(OpenSSLReason("TLS is not available"));
    X509_VERIFY_PARAM* verification = SSL_get0_param(session.Ssl);
    // "f*.example.test" stands for no name: only a whole leftmost label may be a wildcard.
    X509_VERIFY_PARAM_set_hostflags(verification, X509_CHECK_FLAG_NO_PARTIAL_WILDCARDS);
    // A host that the connection takes as an address, in any of its numeric forms (127.1 is
    // 127.0.0.1), is checked in the dotted form against the certificate's addresses and not sent
    // as the server name; a name is sent and checked against the certificate's names.
    if (TNetStack::IsNumericAddress(host)) {
        const std::string dotted = TNetStack::DottedAddress(TNetStack::NumericAddressValue(host));
        if (X509_VERIFY_PARAM_set1_ip_asc(verification, dotted.c_str()) != 1)
            FailHandshake("the address " + dotted + " cannot be checked (" + OpenSSLReason("refused") + ")");
    } else {
        if (SSL_set_tlsext_host_name(session.Ssl, host.c_str()) != 1)
            FailHandshake("the server name cannot be sent (" + OpenSSLReason("refused") + ")");
        if (SSL_set1_host(session.Ssl, host.c_str()) != 1)
            FailHandshake("the server name cannot be checked (" + OpenSSLReason("refused") + ")");
    }
    session.Incoming = BIO_new(BIO_s_mem());
    session.Outgoing = BIO_new(BIO_s_mem());
    if (session.Incoming == nullptr || session.Outgoing == nullptr) {
        BIO_free(session.Incoming);
        BIO_free(session.Outgoing);
        FailHandshake(OpenSSLReason("out of memory"));
    }
    SSL_set_bio(session.Ssl, session.Incoming, session.Outgoing);
    SSL_set_connect_state(session.Ssl);
    Handshake();
}

void TNetIOHandlerTLS::Handshake() {
    const auto deadline = DeadlineOf(HandshakeTimeout);
    char chunk[ChunkSize];
    for (;;) {
        ERR_clear_error();
        const int result = SSL_do_handshake(Session->Ssl);
        const int error = SSL_get_error(Session->Ssl, result);
        const std::string reason = OpenSSLReason("the server closed the connection");
        const int flushed = FlushOutputWithin(MillisecondsLeft(HandshakeTimeout, deadline));
        if (flushed < 0)
            FailHandshake(OneLine(TNetStack::SocketErrorText(LastSocketError())));
        if (flushed == 0)
            FailHandshake("no answer in time");
        if (result == 1)
            break;
        if (error != SSL_ERROR_WANT_READ)
            FailHandshake(reason);
        const int left = MillisecondsLeft(HandshakeTimeout, deadline);
        if (HandshakeTimeout != -2 && left == 0)
            FailHandshake("no answer in time");
        if (!TNetIOHandlerSocket::WaitReadable(left))
            FailHandshake("no answer in time");
        if (!Session)
            throw ENetClosedSocket();
        const long received = TNetIOHandlerSocket::ReceiveBytes(chunk, sizeof chunk);
        if (received == 0)
            FailHandshake("the server closed the connection");
        if (received < 0)
            FailHandshake(OneLine(TNetStack::SocketErrorText(LastSocketError())));
        BIO_write(Session->Incoming, chunk, static_cast<int>(received));
    }
    Session->Established = true;
    // The server's first words may have come with the end of the handshake.
    DecryptAvailable();
}

void TNetIOHandlerTLS::FailHandshake(const std::string& reason) {
    const std::string host = Session ? Session->Host : std::string();
    const long verified = Session && Session->Ssl != nullptr ? SSL_get_verify_result(Session->Ssl) : X509_V_OK;
    // Nothing more may go out in the clear once protection was asked for.
    Close();
    if (verified != X509_V_OK)
        throw ENetTLSCertificateError("The certificate of " + host + " is not trusted: " +
                                      X509_verify_cert_error_string(verified));
    throw ENetTLSError("TLS handshake with " + host + " failed: " + reason);
}

bool TNetIOHandlerTLS::FlushOutput() {
    TSession& session = *Session;
    char chunk[ChunkSize * 2];
    while (BIO_ctrl_pending(session.Outgoing) > 0) {
        const int got = BIO_read(session.Outgoing, chunk, static_cast<int>(sizeof chunk));
        if (got <= 0)
            break;
        session.Cipher.append(chunk, static_cast<std::size_t>(got));
    }
    while (session.CipherStart < session.Cipher.size()) {
        const long n = TNetIOHandlerSocket::SendBytes(session.Cipher.data() + session.CipherStart,
                                                      session.Cipher.size() - session.CipherStart);
        if (n < 0)
            return LastSocketError() == SocketErrorCode::WouldBlock;
        session.CipherStart += static_cast<std::size_t>(n);
    }
    session.Cipher.clear();
    session.CipherStart = 0;
    return true;
}

bool TNetIOHandlerTLS::OutputPending() const {
    return Session && Session->CipherStart < Session->Cipher.size();
}

int TNetIOHandlerTLS::FlushOutputWithin(int timeout) {
    const auto deadline = DeadlineOf(timeout);
    for (;;) {
        if (!FlushOutput())
            return -1;
        if (!OutputPending())
            return 1;
        const int left = MillisecondsLeft(timeout, deadline);
        if (timeout != -2 && left == 0)
            return 0;
        if (!TNetIOHandlerSocket::WaitWritable(left))
            return 0;
        if (!Session)
            throw ENetClosedSocket();
    }
}

void TNetIOHandlerTLS::DecryptAvailable() {
    TSession& session = *Session;
    char chunk[ChunkSize];
    for (;;) {
        ERR_clear_error();
        const int result = SSL_read(session.Ssl, chunk, static_cast<int>(sizeof chunk));
        if (result > 0) {
            if (session.PlainStart == session.Plain.size()) {
                session.Plain.clear();
                session.PlainStart = 0;
            }
            session.Plain.append(chunk, static_cast<std::size_t>(result));
            continue;
        }
        const int error = SSL_get_error(session.Ssl, result);
        if (error == SSL_ERROR_WANT_READ)
            return;
        if (error == SSL_ERROR_ZERO_RETURN) {
            session.Closed = true;
            return;
        }
        const std::string message = "TLS connection with " + session.Host + " failed: " +
                                    OpenSSLReason("the server closed the connection");
        Close();
        throw ENetTLSConnectionLost(message);
    }
}

void TNetIOHandlerTLS::PumpInput(const char* chunk, long received) {
    TheStack()->CheckSocketResult(received);
    if (received == 0) {
        Session->Closed = true;
        return;
    }
    BIO_write(Session->Incoming, chunk, static_cast<int>(received));
    DecryptAvailable();
    // The server may want an answer (a key update) before it sends more.
    if (!FlushOutput())
        TheStack()->CheckSocketResult(-1);
}

bool TNetIOHandlerTLS::WaitReadable(int timeout) {
    if (!Session)
        return TNetIOHandlerSocket::WaitReadable(timeout);
    const auto deadline = DeadlineOf(timeout);
    // The server answers only what it has received whole: encrypted bytes still waiting for room
    // go out first, within the same wait.
    const int flushed = FlushOutputWithin(timeout);
    if (flushed < 0)
        TheStack()->CheckSocketResult(-1);
    if (flushed == 0)
        return false;
    char chunk[ChunkSize];
    for (;;) {
        if (Session->PlainStart < Session->Plain.size() || Session->Closed)
            return true;
        // A part of a record is no answer yet: the wait goes on for the rest of its time.
        if (!TNetIOHandlerSocket::WaitReadable(MillisecondsLeft(timeout, deadline)))
            return false;
        if (!Session)
            throw ENetClosedSocket();
        PumpInput(chunk, TNetIOHandlerSocket::ReceiveBytes(chunk, sizeof chunk));
        if (timeout != -2 && MillisecondsLeft(timeout, deadline) == 0 &&
            Session->PlainStart == Session->Plain.size() && !Session->Closed)
            return false;
    }
}

long TNetIOHandlerTLS::ReceiveBytes(char* buffer, std::size_t size) {
    if (!Session)
        return TNetIOHandlerSocket::ReceiveBytes(buffer, size);
    if (!IsOpen())
        throw ENetClosedSocket();
    if (Session->PlainStart == Session->Plain.size() && !Session->Closed)
        WaitReadable(-2);
    const std::size_t available = Session->Plain.size() - Session->PlainStart;
    if (available == 0)
        return 0;
    const std::size_t count = std::min(size, available);
    std::copy_n(Session->Plain.data() + Session->PlainStart, count, buffer);
    Session->PlainStart += count;
    return static_cast<long>(count);
}

long TNetIOHandlerTLS::SendBytes(const char* data, std::size_t size) {
    if (!Session)
        return TNetIOHandlerSocket::SendBytes(data, size);
    if (!IsOpen())
        throw ENetClosedSocket();
    // Like a plain send it never waits: while earlier records still wait for room, nothing new is
    // taken (the socket's "would block" stands), and the caller waits for writability.
    if (!FlushOutput() || OutputPending())
        return -1;
    // One record at a time, so that what is taken is never much more than what the socket takes.
    const int piece = static_cast<int>(std::min<std::size_t>(size, 16384));
    const int result = WriteRecord(data, piece);
    // The record is taken; what the socket has no room for yet goes out before the next record
    // or before the next wait for the server.
    if (!FlushOutput())
        return -1;
    return result;
}

int TNetIOHandlerTLS::WriteRecord(const char* data, int size) {
    std::optional<TNetDeadline> deadline;
    char chunk[ChunkSize];
    for (;;) {
        ERR_clear_error();
        const int result = SSL_write(Session->Ssl, data, size);
        if (result > 0)
            return result;
        if (SSL_get_error(Session->Ssl, result) != SSL_ERROR_WANT_READ)
            FailConnection(OpenSSLReason("the connection cannot be written"));
        // The server asked for a new handshake (TLS 1.2 renegotiation) and the message waits
        // until it is done: its answers are awaited here, within the time of a handshake.
        if (!deadline)
            deadline.emplace(HandshakeTimeout);
        const int flushed = FlushOutputWithin(deadline->Left());
        if (flushed < 0)
            FailConnection(OneLine(TNetStack::SocketErrorText(LastSocketError())));
        if (flushed == 0 || !TNetIOHandlerSocket::WaitReadable(deadline->Left()))
            FailConnection("no answer in time to its new handshake");
        if (!Session)
            throw ENetClosedSocket();
        const long received = TNetIOHandlerSocket::ReceiveBytes(chunk, sizeof chunk);
        if (received == 0)
            FailConnection("the server closed the connection");
        if (received < 0)
            FailConnection(OneLine(TNetStack::SocketErrorText(LastSocketError())));
        BIO_write(Session->Incoming, chunk, static_cast<int>(received));
        // What the server says meanwhile is kept for the next read; the handshake goes on with it.
        DecryptAvailable();
    }
}

void TNetIOHandlerTLS::FailConnection(const std::string& reason) {
    const std::string message = "TLS connection with " + Session->Host + " failed: " + reason;
    Close();
    throw ENetTLSConnectionLost(message);
}

void TNetIOHandlerTLS::SendCloseNotify() noexcept {
    if (!Session || !Session->Established || !IsOpen())
        return;
    try {
        ERR_clear_error();
        // 0: sent, the server's own close is not awaited; below 0: it cannot be sent any more.
        if (SSL_shutdown(Session->Ssl) >= 0)
            FlushOutput();
    } catch (...) {
        // The connection is closed next whatever happened here.
    }
    ERR_clear_error();
}

} // namespace corvalet
