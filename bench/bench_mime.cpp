// Writes a message with a large attachment to a sink that discards it, and compares the time with
// the coreutils `base64` command on the same file, and the peak memory with that of a message whose
// attachment is empty. Usage: bench_mime [megabytes=200] [runs=3]
#include "mime/MessageClient.h"
#include "PeakMemory.h"
#include "RandomFile.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <unistd.h>

using namespace corvalet;

using bench::PeakKilobytes;

namespace {

class TDiscardingSink final : public TNetMessageSink {
public:
    void WriteText(std::string_view bytes) override { Bytes += bytes.size(); }
    std::uint64_t Bytes = 0;
};

double Seconds(std::chrono::steady_clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

// Seconds to write the whole message; the bytes written go to `bytes`.
double WriteMessage(const std::string& attachment, std::uint64_t& bytes) {
    TNetMessage message;
    message.From = {"sender@example.test", "Bench"};
    message.Subject = "Benchmark";
    SetAddresses(message.BccList, "a@example.test");
    TNetText& text = message.Parts.AddText({"<p>Benchmark</p>"});
    text.SetContentType("text/html");
    text.SetContentTransfer("7bit");
    message.Parts.AddAttachment(attachment);
    TDiscardingSink sink;
    TNetMessageClient client(sink);
    const auto start = std::chrono::steady_clock::now();
    client.EmitMessage(message);
    const double seconds = Seconds(std::chrono::steady_clock::now() - start);
    bytes = sink.Bytes;
    return seconds;
}

double RunBase64(const std::string& path) {
    const std::string command = "base64 '" + path + "' > /dev/null";
    const auto start = std::chrono::steady_clock::now();
    if (std::system(command.c_str()) != 0)
        return -1;
    return Seconds(std::chrono::steady_clock::now() - start);
}

} // namespace

int main(int argc, char** argv) {
    const std::uint64_t megabytes = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 200;
    const int runs = argc > 2 ? std::atoi(argv[2]) : 3;
    const std::uint64_t size = megabytes << 20;
    char folder[] = "/tmp/corvalet-bench-XXXXXX";
    if (mkdtemp(folder) == nullptr)
        return 1;
    const std::string empty = std::string(folder) + "/empty.bin";
    const std::string large = std::string(folder) + "/large.bin";
    corvalet::bench::WriteRandomFile(empty, 0);

    std::uint64_t bytes = 0;
    WriteMessage(empty, bytes);
    const long emptyPeak = PeakKilobytes();

    corvalet::bench::WriteRandomFile(large, size);
    double best = 1e9;
    double bestBase64 = 1e9;
    for (int run = 0; run < runs; ++run) {
        best = std::min(best, WriteMessage(large, bytes));
        bestBase64 = std::min(bestBase64, RunBase64(large));
    }
    const long largePeak = PeakKilobytes();
    std::remove(large.c_str());
    std::remove(empty.c_str());
    rmdir(folder);

    const double mb = static_cast<double>(size) / (1 << 20);
    std::printf("attachment            %8.0f MiB, message %llu bytes\n", mb,
                static_cast<unsigned long long>(bytes));
    std::printf("message writer        %8.3f s  %8.1f MiB/s (best of %d)\n", best, mb / best, runs);
    std::printf("coreutils base64      %8.3f s  %8.1f MiB/s (best of %d)\n", bestBase64, mb / bestBase64,
                runs);
    std::printf("speed ratio           %8.2f (writer / base64; goal >= 1)\n", bestBase64 / best);
    std::printf("peak memory, empty    %8ld kB\n", emptyPeak);
    std::printf("peak memory, large    %8ld kB (%+ld kB; goal < 20480)\n", largePeak, largePeak - emptyPeak);
    return 0;
}
