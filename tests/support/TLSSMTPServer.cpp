#include "support/TLSSMTPServer.h"

#include <chrono>
#include <memory>
#include <stdexcept>

#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/time.h>

namespace corvalet::test {

namespace {

// The longest the server waits for anything.
constexpr int WaitMs = 5000;

struct TFree {
    void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
    void operator()(X509* certificate) const { X509_free(certificate); }
    void operator()(SSL_CTX* context) const { SSL_CTX_free(context); }
    void operator()(SSL* ssl) const { SSL_free(ssl); }
    void operator()(BIO* bio) const { BIO_free(bio); }
};
using TKey = std::unique_ptr<EVP_PKEY, TFree>;
using TCertificate = std::unique_ptr<X509, TFree>;

void Require(bool condition, const std::string& what) {
    if (!condition)
        throw std::runtime_error("TLS SMTP fixture: " + what + " failed");
}

void AddExtension(X509* certificate, X509* issuer, int nid, const std::string& value) {
    X509V3_CTX context;
    X509V3_set_ctx_nodb(&context);
    X509V3_set_ctx(&context, issuer, certificate, nullptr, nullptr, 0);
    X509_EXTENSION* extension = X509V3_EXT_conf_nid(nullptr, &context, nid, value.c_str());
    Require(extension != nullptr, "the extension " + value);
    X509_add_ext(certificate, extension, -1);
    X509_EXTENSION_free(extension);
}

// An unsigned certificate for `key`, issued by `issuer` (itself when null).
TCertificate Issue(EVP_PKEY* key, const std::string& commonName, X509* issuer, long serial) {
    TCertificate certificate(X509_new());
    Require(certificate != nullptr, "X509_new");
    X509_set_version(certificate.get(), 2);
    ASN1_INTEGER_set(X509_get_serialNumber(certificate.get()), serial);
    X509_gmtime_adj(X509_getm_notBefore(certificate.get()), -3600);
    X509_gmtime_adj(X509_getm_notAfter(certificate.get()), 86400);
    X509_set_pubkey(certificate.get(), key);
    X509_NAME* subject = X509_get_subject_name(certificate.get());
    X509_NAME_add_entry_by_txt(subject, "CN", MBSTRING_ASC,
                               reinterpret_cast<const unsigned char*>(commonName.c_str()), -1, -1, 0);
    X509_set_issuer_name(certificate.get(), issuer != nullptr ? X509_get_subject_name(issuer) : subject);
    return certificate;
}

void Sign(X509* certificate, EVP_PKEY* key) {
    Require(X509_sign(certificate, key, EVP_sha256()) > 0, "X509_sign");
}

std::string PemOf(X509* certificate) {
    std::unique_ptr<BIO, TFree> bio(BIO_new(BIO_s_mem()));
    PEM_write_bio_X509(bio.get(), certificate);
    char* data = nullptr;
    const long size = BIO_get_mem_data(bio.get(), &data);
    return std::string(data, static_cast<std::size_t>(size));
}

std::string PemOf(EVP_PKEY* key) {
    std::unique_ptr<BIO, TFree> bio(BIO_new(BIO_s_mem()));
    PEM_write_bio_PrivateKey(bio.get(), key, nullptr, nullptr, 0, nullptr, nullptr);
    char* data = nullptr;
    const long size = BIO_get_mem_data(bio.get(), &data);
    return std::string(data, static_cast<std::size_t>(size));
}

bool IsAddress(const std::string& name) {
    return name.find_first_not_of("0123456789.") == std::string::npos;
}

} // namespace

TTLSSMTPServer::TTLSSMTPServer(TTLSSMTPOptions options) : Options(std::move(options)) {
    // OpenSSL writes to the socket with write(): a client that has gone must end the write, not
    // the test program.
    signal(SIGPIPE, SIG_IGN);
    TKey authorityKey(EVP_EC_gen("P-256"));
    TKey serverKey(EVP_EC_gen("P-256"));
    Require(authorityKey != nullptr && serverKey != nullptr, "EVP_EC_gen");
    TCertificate authority = Issue(authorityKey.get(), "Throwaway test authority", nullptr, 1);
    AddExtension(authority.get(), authority.get(), NID_basic_constraints, "critical,CA:TRUE");
    AddExtension(authority.get(), authority.get(), NID_key_usage, "critical,keyCertSign,cRLSign");
    AddExtension(authority.get(), authority.get(), NID_subject_key_identifier, "hash");
    Sign(authority.get(), authorityKey.get());

    TCertificate server = Issue(serverKey.get(), "Test server", authority.get(), 2);
    std::string names;
    for (const std::string& name : Options.CertificateNames)
        names += (names.empty() ? "" : ",") + std::string(IsAddress(name) ? "IP:" : "DNS:") + name;
    AddExtension(server.get(), authority.get(), NID_basic_constraints, "critical,CA:FALSE");
    AddExtension(server.get(), authority.get(), NID_subject_alt_name, names);
    AddExtension(server.get(), authority.get(), NID_ext_key_usage, "serverAuth");
    Sign(server.get(), authorityKey.get());

    Folder.Write("authority.pem", PemOf(authority.get()));
    CertificatePem = PemOf(server.get());
    KeyPem = PemOf(serverKey.get());

    Listener = BindLoopback(true, 1);
    ListenPort = LocalPort(Listener);
    Thread = std::thread([this] { Run(); });
}

TTLSSMTPServer::~TTLSSMTPServer() {
    Listener.Close();
    if (Thread.joinable())
        Thread.join();
}

bool TTLSSMTPServer::WaitForEnd() {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(WaitMs * 2);
    while (!Ended && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return Ended;
}

std::vector<std::string> TTLSSMTPServer::Lines() const {
    std::lock_guard<std::mutex> guard(Lock);
    return Received;
}

std::string TTLSSMTPServer::Failure() const {
    std::lock_guard<std::mutex> guard(Lock);
    return Problem;
}

void TTLSSMTPServer::Run() {
    try {
        Require(WaitSocketReadable(Listener.Get(), WaitMs) == 1, "waiting for the client");
        TOwnedSocket connection(AcceptConnection(Listener.Get(), nullptr));
        Require(connection.Get() != InvalidSocketValue, "accept");
        timeval limit{WaitMs / 1000, 0};
        setsockopt(connection.Get(), SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
        setsockopt(connection.Get(), SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);

        std::unique_ptr<SSL_CTX, TFree> context(SSL_CTX_new(TLS_server_method()));
        Require(context != nullptr, "SSL_CTX_new");
        if (Options.TLS12Only)
            SSL_CTX_set_max_proto_version(context.get(), TLS1_2_VERSION);
        std::unique_ptr<BIO, TFree> certificate(BIO_new_mem_buf(CertificatePem.data(), -1));
        std::unique_ptr<BIO, TFree> key(BIO_new_mem_buf(KeyPem.data(), -1));
        TCertificate x509(PEM_read_bio_X509(certificate.get(), nullptr, nullptr, nullptr));
        TKey pkey(PEM_read_bio_PrivateKey(key.get(), nullptr, nullptr, nullptr));
        Require(SSL_CTX_use_certificate(context.get(), x509.get()) == 1, "the server certificate");
        Require(SSL_CTX_use_PrivateKey(context.get(), pkey.get()) == 1, "the server key");
        std::unique_ptr<SSL, TFree> ssl(SSL_new(context.get()));
        Require(ssl != nullptr, "SSL_new");
        SSL_set_fd(ssl.get(), connection.Get());
        Converse(ssl.get());
    } catch (const std::exception& error) {
        std::lock_guard<std::mutex> guard(Lock);
        Problem = error.what();
        ERR_clear_error();
    }
    Ended = true;
}

void TTLSSMTPServer::Converse(void* handle) {
    SSL* ssl = static_cast<SSL*>(handle);
    if (SSL_accept(ssl) != 1) {
        // A client that refused the certificate: nothing more to do.
        std::lock_guard<std::mutex> guard(Lock);
        Problem = "handshake refused";
        return;
    }
    const auto send = [ssl](const std::string& text) {
        Require(SSL_write(ssl, text.data(), static_cast<int>(text.size())) > 0, "SSL_write");
    };
    send("220 tls.test ready\r\n");
    std::string input;
    bool inData = false;
    bool newKeysAsked = false;
    for (;;) {
        const std::size_t end = input.find('\n');
        if (end == std::string::npos) {
            char chunk[16384];
            const int got = SSL_read(ssl, chunk, sizeof chunk);
            Require(got > 0, "reading the client");
            input.append(chunk, static_cast<std::size_t>(got));
            continue;
        }
        std::string line = input.substr(0, end);
        input.erase(0, end + 1);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        {
            std::lock_guard<std::mutex> guard(Lock);
            Received.push_back(line);
        }
        if (inData && line != ".")
            continue;
        const std::string command = inData ? "." : line;
        inData = false;
        if (!Options.NewKeysBefore.empty() && command.rfind(Options.NewKeysBefore, 0) == 0) {
            newKeysAsked = true;
            if (SSL_version(ssl) == TLS1_3_VERSION) {
                Require(SSL_key_update(ssl, SSL_KEY_UPDATE_REQUESTED) == 1, "SSL_key_update");
            } else {
                Require(SSL_renegotiate(ssl) == 1, "SSL_renegotiate");
                Require(SSL_do_handshake(ssl) == 1, "sending the hello request");
            }
        }
        if (command == "QUIT") {
            send("221 bye\r\n");
            break;
        }
        if (command == "DATA") {
            send("354 go on\r\n");
            inData = true;
        } else {
            send("250 ok\r\n");
        }
    }
    // QUIT came after the new handshake, which the client had to finish before it could send it.
    HandshakeDone = newKeysAsked && SSL_renegotiate_pending(ssl) == 0;
    // The client's close_notify reads as a clean end; a socket closed without it does not.
    char rest[256];
    const int got = SSL_read(ssl, rest, sizeof rest);
    CloseNotify = got <= 0 && SSL_get_error(ssl, got) == SSL_ERROR_ZERO_RETURN;
}

} // namespace corvalet::test
