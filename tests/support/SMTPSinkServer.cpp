#include "support/SMTPSinkServer.h"

#include <csignal>
#include <cstring>
#include <stdexcept>
#include <string_view>
#include <vector>

#include <openssl/err.h>
#include <openssl/ssl.h>

namespace corvalet::test {

namespace {

constexpr std::string_view EndOfData = "\r\n.\r\n";

// memmem rather than string_view::find: the data has a CR every 78 bytes, which makes a search
// led by the first character slow.
std::size_t FindEndOfData(std::string_view data) {
    const void* found = memmem(data.data(), data.size(), EndOfData.data(), EndOfData.size());
    return found == nullptr ? std::string_view::npos
                            : static_cast<std::size_t>(static_cast<const char*>(found) - data.data());
}

bool StartsWithCommand(std::string_view line, std::string_view command) {
    if (line.size() < command.size())
        return false;
    for (std::size_t i = 0; i < command.size(); ++i) {
        char c = line[i];
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
        if (c != command[i])
            return false;
    }
    return true;
}

} // namespace

struct TSMTPSinkServer::TTLSContext {
    std::unique_ptr<SSL_CTX, decltype(&SSL_CTX_free)> Context{SSL_CTX_new(TLS_server_method()), SSL_CTX_free};
};

// One accepted connection, plain or under TLS: the conversation reads and writes through it alike.
class TSMTPSinkServer::TConnection {
public:
    TConnection(TSocket socket, SSL_CTX* tls) : Socket(socket), Ssl(tls ? SSL_new(tls) : nullptr, SSL_free) {}

    // The TLS handshake on a blocking socket; nothing to do in plain mode.
    bool Open() {
        if (!Ssl)
            return true;
        return SSL_set_fd(Ssl.get(), Socket) == 1 && SSL_accept(Ssl.get()) == 1;
    }

    // 1 when bytes can be received, 0 when none came within `milliseconds`, -1 on an error. TLS may
    // hold decrypted bytes that the socket no longer shows.
    int WaitReadable(int milliseconds) {
        if (Ssl && SSL_pending(Ssl.get()) > 0)
            return 1;
        return WaitSocketReadable(Socket, milliseconds);
    }

    long Receive(char* buffer, std::size_t size) {
        if (!Ssl)
            return ReceiveFromSocket(Socket, buffer, size);
        std::size_t received = 0;
        return SSL_read_ex(Ssl.get(), buffer, size, &received) == 1 ? static_cast<long>(received) : -1;
    }

    bool SendAll(std::string_view bytes) {
        while (!bytes.empty()) {
            std::size_t n = 0;
            if (Ssl) {
                if (SSL_write_ex(Ssl.get(), bytes.data(), bytes.size(), &n) != 1)
                    return false;
            } else {
                const long sent = SendToSocket(Socket, bytes.data(), bytes.size());
                if (sent <= 0)
                    return false;
                n = static_cast<std::size_t>(sent);
            }
            bytes.remove_prefix(n);
        }
        return true;
    }

    // Ends TLS with its closing alert, so that the client sees an orderly end after QUIT.
    void Close() {
        if (Ssl)
            SSL_shutdown(Ssl.get());
    }

private:
    TSocket Socket;
    std::unique_ptr<SSL, decltype(&SSL_free)> Ssl;
};

TSMTPSinkServer::TSMTPSinkServer() : Listener(BindLoopback(true)), ListenPort(LocalPort(Listener)) {
    Thread = std::thread([this] { Run(); });
}

TSMTPSinkServer::TSMTPSinkServer(const std::string& chainFile, const std::string& keyFile)
    : TLS(std::make_unique<TTLSContext>()), Listener(BindLoopback(true)), ListenPort(LocalPort(Listener)) {
    // OpenSSL writes to the socket itself, and a client that has gone away must end the
    // conversation, not the process.
    std::signal(SIGPIPE, SIG_IGN);
    SSL_CTX* context = TLS->Context.get();
    if (context == nullptr || SSL_CTX_use_certificate_chain_file(context, chainFile.c_str()) != 1 ||
        SSL_CTX_use_PrivateKey_file(context, keyFile.c_str(), SSL_FILETYPE_PEM) != 1) {
        char reason[256] = "no TLS context";
        ERR_error_string_n(ERR_get_error(), reason, sizeof reason);
        throw std::runtime_error("SMTP sink: cannot use the certificate " + chainFile + ": " + reason);
    }
    Thread = std::thread([this] { Run(); });
}

TSMTPSinkServer::~TSMTPSinkServer() {
    Stopping = true;
    Thread.join();
}

void TSMTPSinkServer::Run() {
    while (!Stopping) {
        if (WaitSocketReadable(Listener.Get(), 20) != 1)
            continue;
        TOwnedSocket accepted(AcceptConnection(Listener.Get(), nullptr));
        if (accepted.Get() == InvalidSocketValue)
            continue;
        TConnection connection(accepted.Get(), TLS ? TLS->Context.get() : nullptr);
        if (connection.Open())
            Converse(connection);
    }
}

void TSMTPSinkServer::Converse(TConnection& connection) {
    if (!connection.SendAll("220 sink ESMTP\r\n"))
        return;
    std::vector<char> chunk(1 << 18);
    std::string commands; // command bytes not yet answered
    std::string tail;     // the last bytes of the data, to find an end of data cut in two
    bool inData = false;
    std::int64_t dataBytes = 0;
    while (!Stopping) {
        const int ready = connection.WaitReadable(20);
        if (ready < 0)
            return;
        if (ready == 0)
            continue;
        const long received = connection.Receive(chunk.data(), chunk.size());
        if (received <= 0)
            return;
        std::string_view input(chunk.data(), static_cast<std::size_t>(received));
        while (!input.empty()) {
            if (inData) {
                // The end of data may straddle two receives: look across the seam first.
                const std::string seam = tail + std::string(input.substr(0, EndOfData.size() - 1));
                std::size_t end = seam.find(EndOfData);
                std::size_t consumed = 0;
                if (end != std::string::npos) {
                    consumed = end + EndOfData.size() - tail.size();
                    dataBytes += static_cast<std::int64_t>(end) - static_cast<std::int64_t>(tail.size());
                } else if ((end = FindEndOfData(input)) != std::string_view::npos) {
                    consumed = end + EndOfData.size();
                    dataBytes += static_cast<std::int64_t>(end);
                } else {
                    dataBytes += static_cast<std::int64_t>(input.size());
                    tail = (tail + std::string(input.substr(input.size() > 4 ? input.size() - 4 : 0)));
                    tail.erase(0, tail.size() > 4 ? tail.size() - 4 : 0);
                    break;
                }
                inData = false;
                ++MessageCount;
                ByteCount += dataBytes;
                input.remove_prefix(consumed);
                if (!connection.SendAll("250 Discarded\r\n"))
                    return;
                continue;
            }
            const std::size_t lineEnd = input.find('\n');
            if (lineEnd == std::string_view::npos) {
                commands.append(input);
                break;
            }
            commands.append(input.substr(0, lineEnd + 1));
            input.remove_prefix(lineEnd + 1);
            const std::string line = std::move(commands);
            commands.clear();
            if (StartsWithCommand(line, "DATA")) {
                inData = true;
                dataBytes = 0;
                tail = "\r\n"; // data that is only "." ends at once
                if (!connection.SendAll("354 Go ahead\r\n"))
                    return;
            } else if (StartsWithCommand(line, "QUIT")) {
                if (connection.SendAll("221 Bye\r\n"))
                    connection.Close();
                return;
            } else if (StartsWithCommand(line, "EHLO")) {
                if (!connection.SendAll(Pipelining ? "250-sink\r\n250-PIPELINING\r\n250 SIZE 0\r\n"
                                                   : "250-sink\r\n250 SIZE 0\r\n"))
                    return;
            } else if (!connection.SendAll("250 OK\r\n")) {
                return;
            }
        }
    }
}

} // namespace corvalet::test
