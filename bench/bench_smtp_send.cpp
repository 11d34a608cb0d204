// Delivers one message with a large attachment to a local SMTP sink that discards it, and compares
// the time with curl uploading a prepared message of the same size to the same sink and with
// Python's smtplib building and sending the same kind of message. Then the same delivery over TLS
// from the first byte, to a TLS sink whose certificate comes from an authority made for the run,
// against curl with smtps://, and Corvalet's peak memory to show it does not grow with the message.
// Usage: bench_smtp_send [megabytes=64] [runs=3] [corvalet] (the last: Corvalet alone, for profiling)
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "mime/MessageClient.h"
#include "PeakMemory.h"
#include "RandomFile.h"
#include "smtp/SMTP.h"
#include "support/SMTPSinkServer.h"
#include "support/TempDir.h"

using namespace corvalet;

using bench::PeakKilobytes;

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

// The message as the mail job fills it: a text part and the attachment, to one blind copy.
void FillMessage(TNetMessage& message, const std::string& attachment) {
    message.From = {"sender@example.test", "Bench"};
    message.Subject = "Benchmark";
    SetAddresses(message.BccList, "recipient@example.test");
    TNetText& text = message.Parts.AddText({"Hello,", "the report is attached."});
    text.SetContentType("text/plain");
    text.SetContentTransfer("7bit");
    message.Parts.AddAttachment(attachment);
}

// Seconds for Send (the message encoded and written onto the connection, the end of data answered).
// With `trustFile`, over TLS from the first byte; the handshake is part of Connect, not counted.
double SendWithCorvalet(int port, const std::string& attachment, const std::string& trustFile = "") {
    TNetMessage message;
    FillMessage(message, attachment);
    TNetSMTP smtp;
    smtp.Host = "127.0.0.1";
    smtp.Port = port;
    smtp.ReadTimeout = 60000;
    if (!trustFile.empty()) {
        smtp.Security = TNetSMTPSecurity::ssTLS;
        smtp.TrustFile = trustFile;
    }
    smtp.Connect();
    const auto start = Clock::now();
    smtp.Send(message);
    const double seconds = Seconds(Clock::now() - start);
    smtp.Disconnect();
    return seconds;
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

// The same message, written to a file for curl.
void PrepareMessageFile(const std::string& path, const std::string& attachment) {
    TNetMessage message;
    FillMessage(message, attachment);
    TFileSink sink(path);
    TNetMessageClient(sink).EmitMessage(message);
}

// Seconds that a shell command took, or -1 when it failed.
double TimeCommand(const std::string& command) {
    const auto start = Clock::now();
    const int status = std::system(command.c_str());
    const double seconds = Seconds(Clock::now() - start);
    return status == 0 ? seconds : -1;
}

double PythonReported(const std::string& command) {
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr)
        return -1;
    double seconds = -1;
    if (std::fscanf(pipe, "%lf", &seconds) != 1)
        seconds = -1;
    return pclose(pipe) == 0 ? seconds : -1;
}

// A throwaway authority and a certificate from it for 127.0.0.1, made with python3-trustme.
bool MakeCertificates(const std::string& authority, const std::string& chain, const std::string& key) {
    const std::string script =
        "import sys, trustme\n"
        "ca = trustme.CA()\n"
        "server = ca.issue_cert('127.0.0.1')\n"
        "ca.cert_pem.write_to_path(sys.argv[1])\n"
        "open(sys.argv[2], 'wb').write(b''.join(p.bytes() for p in server.cert_chain_pems))\n"
        "server.private_key_pem.write_to_path(sys.argv[3])\n";
    const std::string command =
        "/usr/bin/python3 -c \"" + script + "\" '" + authority + "' '" + chain + "' '" + key + "'";
    return std::system(command.c_str()) == 0;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    const std::uint64_t megabytes = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 64;
    const int runs = argc > 2 ? std::atoi(argv[2]) : 3;
    const bool corvaletOnly = argc > 3 && std::string(argv[3]) == "corvalet";
    test::TTempDir folder;
    const std::string attachment = folder.File("report.bin").string();
    const std::string prepared = folder.File("message.eml").string();
    corvalet::bench::WriteRandomFile(attachment, megabytes << 20);
    PrepareMessageFile(prepared, attachment);
    std::ifstream preparedFile(prepared, std::ios::binary | std::ios::ate);
    const double messageMiB = static_cast<double>(preparedFile.tellg()) / (1 << 20);

    const std::string authority = folder.File("authority.pem").string();
    const std::string chain = folder.File("server.pem").string();
    const std::string key = folder.File("server.key").string();
    if (!MakeCertificates(authority, chain, key)) {
        std::fprintf(stderr, "cannot make the certificates (python3-trustme)\n");
        return 1;
    }

    test::TSMTPSinkServer sink;
    test::TSMTPSinkServer tlsSink(chain, key);
    const std::string port = std::to_string(sink.Port());
    const std::string upload =
        " --mail-from sender@example.test --mail-rcpt recipient@example.test --upload-file '" + prepared +
        "'";
    const std::string curl = "curl -s smtp://127.0.0.1:" + port + upload;
    const std::string curlTLS =
        "curl -s --cacert '" + authority + "' smtps://127.0.0.1:" + std::to_string(tlsSink.Port()) + upload;
    const std::string python = "/usr/bin/python3 '" + std::string(CORVALET_BENCH_DIR) +
                               "/bench_smtplib.py' " + port + " '" + attachment + "'";

    // The peak before any large delivery: an empty attachment over TLS, so that the TLS library's
    // own memory is in it too.
    const std::string empty = folder.File("empty.bin").string();
    corvalet::bench::WriteRandomFile(empty, 0);
    SendWithCorvalet(tlsSink.Port(), empty, authority);
    const long emptyPeak = PeakKilobytes();

    std::vector<double> corvalet, curlTimes, pythonTimes, corvaletTLS, curlTLSTimes;
    for (int run = 0; run < runs; ++run) {
        corvalet.push_back(SendWithCorvalet(sink.Port(), attachment));
        corvaletTLS.push_back(SendWithCorvalet(tlsSink.Port(), attachment, authority));
        if (corvaletOnly)
            continue;
        curlTimes.push_back(TimeCommand(curl));
        curlTLSTimes.push_back(TimeCommand(curlTLS));
        pythonTimes.push_back(PythonReported(python));
    }
    const long largePeak = PeakKilobytes();
    std::printf("attachment %llu MiB, message %.1f MiB, %d runs, median seconds; messages the sinks took: "
                "%lld plain, %lld TLS\n",
                static_cast<unsigned long long>(megabytes), messageMiB, runs,
                static_cast<long long>(sink.Messages()), static_cast<long long>(tlsSink.Messages()));
    std::printf("%-44s %8.3f s  %7.1f MiB/s\n", "Corvalet TNetSMTP::Send (encode + send)", Median(corvalet),
                messageMiB / Median(corvalet));
    std::printf("%-44s %8.3f s  %7.1f MiB/s\n", "Corvalet TNetSMTP::Send over TLS", Median(corvaletTLS),
                messageMiB / Median(corvaletTLS));
    std::printf("%-44s %8ld kB after an empty TLS delivery, %ld kB after all (%+ld kB)\n",
                "Corvalet peak memory (VmHWM)", emptyPeak, largePeak, largePeak - emptyPeak);
    if (corvaletOnly)
        return 0;
    std::printf("%-44s %8.3f s  %7.1f MiB/s\n", "curl upload of the prepared message", Median(curlTimes),
                messageMiB / Median(curlTimes));
    std::printf("%-44s %8.3f s  %7.1f MiB/s\n", "curl smtps:// upload of the prepared message",
                Median(curlTLSTimes), messageMiB / Median(curlTLSTimes));
    std::printf("%-44s %8.3f s  %7.1f MiB/s\n", "Python smtplib (build + send)", Median(pythonTimes),
                messageMiB / Median(pythonTimes));
    return 0;
}
