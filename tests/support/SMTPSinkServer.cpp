#include "support/SMTPSinkServer.h"

#include <cstring>
#include <string_view>
#include <vector>

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

bool SendAll(TSocket socket, std::string_view bytes) {
    while (!bytes.empty()) {
        const long n = SendToSocket(socket, bytes.data(), bytes.size());
        if (n <= 0)
            return false;
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

} // namespace

TSMTPSinkServer::TSMTPSinkServer() : Listener(BindLoopback(true)), ListenPort(LocalPort(Listener)) {
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
        if (accepted.Get() != InvalidSocketValue)
            Converse(accepted.Get());
    }
}

void TSMTPSinkServer::Converse(TSocket socket) {
    if (!SendAll(socket, "220 sink ESMTP\r\n"))
        return;
    std::vector<char> chunk(1 << 18);
    std::string commands; // command bytes not yet answered
    std::string tail;     // the last bytes of the data, to find an end of data cut in two
    bool inData = false;
    std::int64_t dataBytes = 0;
    while (!Stopping) {
        const int ready = WaitSocketReadable(socket, 20);
        if (ready < 0)
            return;
        if (ready == 0)
            continue;
        const long received = ReceiveFromSocket(socket, chunk.data(), chunk.size());
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
                if (!SendAll(socket, "250 Discarded\r\n"))
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
                if (!SendAll(socket, "354 Go ahead\r\n"))
                    return;
            } else if (StartsWithCommand(line, "QUIT")) {
                SendAll(socket, "221 Bye\r\n");
                return;
            } else if (StartsWithCommand(line, "EHLO")) {
                if (!SendAll(socket, "250-sink\r\n250 SIZE 0\r\n"))
                    return;
            } else if (!SendAll(socket, "250 OK\r\n")) {
                return;
            }
        }
    }
}

} // namespace corvalet::test
