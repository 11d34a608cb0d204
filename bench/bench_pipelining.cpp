// One small message to 500 recipients through a relay that holds every burst of bytes 25 ms in each
// direction, as a distant server would, with PIPELINING offered and not: Corvalet's SMTP client
// against msmtp. Then the whole-process cost of `corvalet --send-now` for a small message to the
// local sink (no relay) against curl sending the same kind of message.
// Usage: bench_pipelining [runs=3] [process runs=20]
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <netinet/in.h>
#include <arpa/inet.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "mime/MessageClient.h"
#include "smtp/SMTP.h"
#include "support/LoopbackServer.h"
#include "support/SMTPSinkServer.h"
#include "support/TempDir.h"

using namespace corvalet;

namespace {

using Clock = std::chrono::steady_clock;

constexpr int RecipientCount = 500;
constexpr auto RelayDelay = std::chrono::milliseconds(25);
// A connection through the relay that stays silent this long is dropped: nothing waits for ever.
constexpr auto RelayIdleLimit = std::chrono::seconds(30);

double Seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

// The median of the runs that worked (a failed one is -1), and how many failed.
std::string Median(std::vector<double> values) {
    const auto failed = std::count(values.begin(), values.end(), -1.0);
    std::erase(values, -1.0);
    if (values.empty())
        return "   failed";
    std::sort(values.begin(), values.end());
    char text[64];
    std::snprintf(text, sizeof text, "%8.3f s", values[values.size() / 2]);
    return failed == 0 ? text : std::string(text) + " (" + std::to_string(failed) + " runs failed)";
}

// A TCP forwarder on 127.0.0.1 to another local port that delivers what it reads in either
// direction only `RelayDelay` after it came. Every chunk keeps its own time of release, so a
// burst costs one delay, not one per chunk, and a reply that waits for a command costs two: a
// round trip as over a long line. One client at a time; it stops with the object.
class TDelayRelay {
public:
    explicit TDelayRelay(int targetPort)
        : Target(targetPort), Listener(test::BindLoopback(true)), ListenPort(test::LocalPort(Listener)) {
        Thread = std::thread([this] { Run(); });
    }
    ~TDelayRelay() {
        Stopping = true;
        Thread.join();
    }
    TDelayRelay(const TDelayRelay&) = delete;
    TDelayRelay& operator=(const TDelayRelay&) = delete;

    int Port() const { return ListenPort; }

private:
    struct TChunk {
        Clock::time_point Release;
        std::string Bytes;
    };
    // One direction: bytes read from `From`, waiting to be written to `To`.
    struct TDirection {
        int From = -1;
        int To = -1;
        std::deque<TChunk> Waiting;
        bool Ended = false; // `From` closed its side
        bool Shut = false;  // and everything before that was passed on
    };

    void Run() {
        while (!Stopping) {
            pollfd listening{Listener.Get(), POLLIN, 0};
            if (poll(&listening, 1, 20) != 1)
                continue;
            test::TOwnedSocket client(accept(Listener.Get(), nullptr, nullptr));
            if (client.Get() < 0)
                continue;
            test::TOwnedSocket server(socket(AF_INET, SOCK_STREAM, 0));
            sockaddr_in address{};
            address.sin_family = AF_INET;
            address.sin_port = htons(static_cast<std::uint16_t>(Target));
            address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            if (connect(server.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
                continue;
            Forward(client.Get(), server.Get());
        }
    }

    void Forward(int client, int server) {
        TDirection directions[2];
        directions[0].From = client;
        directions[0].To = server;
        directions[1].From = server;
        directions[1].To = client;
        std::vector<char> buffer(1 << 16);
        Clock::time_point lastActivity = Clock::now();
        while (!Stopping && !(directions[0].Shut && directions[1].Shut)) {
            const Clock::time_point now = Clock::now();
            if (now - lastActivity > RelayIdleLimit)
                return;
            // Wake for the earliest release, or to look at the stop flag.
            int wait = 20;
            for (const TDirection& direction : directions)
                if (!direction.Waiting.empty()) {
                    const auto due = std::chrono::duration_cast<std::chrono::milliseconds>(
                        direction.Waiting.front().Release - now);
                    wait = std::clamp(static_cast<int>(due.count()), 0, wait);
                }
            pollfd readable[2];
            for (int i = 0; i < 2; ++i)
                // An ended side is left out: it would report its hang-up again and again.
                readable[i] = {directions[i].Ended ? -1 : directions[i].From, POLLIN, 0};
            if (poll(readable, 2, wait) < 0)
                return;
            for (int i = 0; i < 2; ++i) {
                TDirection& direction = directions[i];
                if ((readable[i].revents & (POLLIN | POLLHUP | POLLERR)) == 0)
                    continue;
                const long received = recv(direction.From, buffer.data(), buffer.size(), 0);
                if (received <= 0) {
                    direction.Ended = true;
                    continue;
                }
                lastActivity = Clock::now();
                direction.Waiting.push_back({lastActivity + RelayDelay,
                                             std::string(buffer.data(), static_cast<std::size_t>(received))});
            }
            const Clock::time_point after = Clock::now();
            for (TDirection& direction : directions) {
                while (!direction.Waiting.empty() && direction.Waiting.front().Release <= after) {
                    if (!SendAll(direction.To, direction.Waiting.front().Bytes))
                        return;
                    direction.Waiting.pop_front();
                }
                if (direction.Ended && direction.Waiting.empty() && !direction.Shut) {
                    shutdown(direction.To, SHUT_WR);
                    direction.Shut = true;
                }
            }
        }
    }

    static bool SendAll(int socket, const std::string& bytes) {
        std::size_t sent = 0;
        while (sent < bytes.size()) {
            const long n = send(socket, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
            if (n <= 0)
                return false;
            sent += static_cast<std::size_t>(n);
        }
        return true;
    }

    int Target;
    test::TOwnedSocket Listener;
    int ListenPort = 0;
    std::atomic<bool> Stopping{false};
    std::thread Thread;
};

std::string RecipientAddress(int i) {
    // Appended piece by piece: "r" + std::to_string(i) trips a false -Wrestrict in GCC 12.
    std::string address(1, 'r');
    address += std::to_string(i);
    address += "@example.test";
    return address;
}

// A short text message as the mail job fills it, to `recipients` blind copies.
void FillMessage(TNetMessage& message, const std::string& recipients) {
    message.From = {"sender@example.test", "Bench"};
    message.Subject = "Benchmark";
    SetAddresses(message.BccList, recipients);
    TNetText& text = message.Parts.AddText({"Hello,", "the figures of the week are in."});
    text.SetContentType("text/plain");
    text.SetContentTransfer("7bit");
}

class TFileSink final : public TNetMessageSink {
public:
    explicit TFileSink(const std::string& path) : Out(path, std::ios::binary | std::ios::trunc) {}
    void WriteText(std::string_view bytes) override {
        Out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }

private:
    std::ofstream Out;
};

// Seconds for one whole mailing with TNetSMTP: connecting, the transaction and QUIT.
double SendWithCorvalet(int port, const std::string& recipients) {
    TNetMessage message;
    FillMessage(message, recipients);
    TNetSMTP smtp;
    smtp.Host = "127.0.0.1";
    smtp.Port = port;
    smtp.ReadTimeout = 60000;
    const auto start = Clock::now();
    smtp.Connect();
    smtp.Send(message);
    smtp.Disconnect();
    return Seconds(Clock::now() - start);
}

// Seconds that a shell command took, or -1 when it failed.
double TimeCommand(const std::string& command) {
    const auto start = Clock::now();
    const int status = std::system(command.c_str());
    const double seconds = Seconds(Clock::now() - start);
    return status == 0 ? seconds : -1;
}

void WriteFile(const std::filesystem::path& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
}

} // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IOLBF, 0); // each figure as it comes, the slow ones take a while
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    const int processRuns = argc > 2 ? std::max(1, std::atoi(argv[2])) : 20;
    test::TTempDir folder;

    std::string recipients;
    std::string msmtpRecipients;
    for (int i = 1; i <= RecipientCount; ++i) {
        if (i > 1)
            recipients += ", ";
        recipients += RecipientAddress(i);
        msmtpRecipients += ' ';
        msmtpRecipients += RecipientAddress(i);
    }
    // The prepared message for msmtp and curl: the same text, with no recipient header.
    const std::string prepared = folder.File("message.eml").string();
    {
        TNetMessage message;
        FillMessage(message, "");
        TFileSink sink(prepared);
        TNetMessageClient(sink).EmitMessage(message);
    }
    // msmtp reads only this file: nothing of the user's own configuration.
    const std::string msmtpConfig = folder.File("msmtprc").string();
    WriteFile(msmtpConfig, "defaults\nauth off\ntls off\nlogfile\nsyslog off\n"
                           "account bench\nhost 127.0.0.1\nfrom sender@example.test\n"
                           "account default : bench\n");
    std::filesystem::permissions(msmtpConfig,
                                 std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);

    test::TSMTPSinkServer sink;
    TDelayRelay relay(sink.Port());
    const std::string msmtp = "msmtp -C '" + msmtpConfig +
                              "' --host=127.0.0.1 --port=" + std::to_string(relay.Port()) +
                              " --from=sender@example.test" + msmtpRecipients + " < '" + prepared + "'";

    std::printf("%d recipients through a relay holding each direction %lld ms, %d runs, median seconds\n",
                RecipientCount, static_cast<long long>(RelayDelay.count()), runs);
    for (const bool pipelining : {true, false}) {
        sink.OfferPipelining(pipelining);
        const std::int64_t before = sink.Messages();
        std::vector<double> corvalet, msmtpTimes;
        for (int run = 0; run < runs; ++run) {
            corvalet.push_back(SendWithCorvalet(relay.Port(), recipients));
            msmtpTimes.push_back(TimeCommand(msmtp));
        }
        const char* offered = pipelining ? "PIPELINING offered" : "PIPELINING not offered";
        std::printf("%-24s %-36s %s\n", offered, "Corvalet TNetSMTP (connect to QUIT)",
                    Median(corvalet).c_str());
        std::printf("%-24s %-36s %s\n", offered, "msmtp", Median(msmtpTimes).c_str());
        std::printf("%-24s messages the sink took: %lld of %d\n", offered,
                    static_cast<long long>(sink.Messages() - before), 2 * runs);
    }
    sink.OfferPipelining(false);

    // A portable Corvalet folder for the small message, straight to the sink.
    const std::filesystem::path program = folder.File("corvalet");
    std::filesystem::copy_file(CORVALET_EXECUTABLE, program);
    WriteFile(folder.File("body.txt"), "Hello,\r\nthe figures of the week are in.\r\n");
    WriteFile(folder.File("Corvalet.ini"),
              "[General]\r\nSenderName=Bench\r\nSenderAddress=sender@example.test\r\n"
              "[Logging]\r\nMechanism=2\r\nFileName=Corvalet.log\r\n"
              "[Connection]\r\nSMTPHost=127.0.0.1\r\nPortNumber=" +
                  std::to_string(sink.Port()) +
                  "\r\nTimeOut=10\r\n"
                  "[Message]\r\nBodyFileName=body.txt\r\nSubject=Benchmark\r\nContentType=0\r\n");
    const std::string sendNow = "cd / && env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM LC_ALL=C "
                                "DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent '" +
                                program.string() + "' --send-now recipient@example.test > /dev/null";
    const std::string curl = "curl -s smtp://127.0.0.1:" + std::to_string(sink.Port()) +
                             " --mail-from sender@example.test --mail-rcpt recipient@example.test -T '" +
                             prepared + "'";
    const std::int64_t messagesBefore = sink.Messages();
    std::vector<double> sendNowTimes, curlTimes;
    for (int run = 0; run < processRuns; ++run) {
        sendNowTimes.push_back(TimeCommand(sendNow));
        curlTimes.push_back(TimeCommand(curl));
    }
    std::printf(
        "one small message to the sink (no relay), %d runs, median seconds; messages taken: %lld of %d\n",
        processRuns, static_cast<long long>(sink.Messages() - messagesBefore), 2 * processRuns);
    std::printf("%-61s %s\n", "corvalet --send-now (whole process)", Median(sendNowTimes).c_str());
    std::printf("%-61s %s\n", "curl smtp:// (whole process)", Median(curlTimes).c_str());
    return 0;
}
