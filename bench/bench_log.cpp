// One log entry on a small log and on a 100 MB one: appending costs the same however long the log
// is. The whole-file rewrite after a clear or a reload is measured beside it for comparison.
#include "log/Logger.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using namespace corvalet;

// A log file of about `megabytes` MB of typical entries in a fresh temporary folder.
class TLogFile {
public:
    explicit TLogFile(std::int64_t megabytes) {
        std::string pattern = (std::filesystem::temp_directory_path() / "corvalet-bench-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr)
            throw std::runtime_error("cannot create a temporary folder");
        Folder = pattern;
        Path = (Folder / "Corvalet.log").string();
        const std::string entry = "ERROR:       12/09/2026 09:05:00 - Failed to send e-mail to: "
                                  "someone@example.test; Reason: Connect timed out.\r\n";
        std::string bytes;
        bytes.reserve(static_cast<std::size_t>(megabytes) * 1048576 + entry.size());
        while (static_cast<std::int64_t>(bytes.size()) < megabytes * 1048576)
            bytes += entry;
        std::ofstream(Path, std::ios::binary) << bytes;
    }
    ~TLogFile() {
        std::error_code ignored;
        std::filesystem::remove_all(Folder, ignored);
    }
    std::string Path;

private:
    std::filesystem::path Folder;
};

const std::string Entry = "12/09/2026 09:05:00 - Successfully send the e-mail to someone@example.test.";

void BM_LogEntry(benchmark::State& state) {
    TLogFile file(state.range(0));
    TLogger logger(SystemClock(), TFormatSettings());
    std::vector<std::string> lines;
    logger.SetLines(&lines);
    logger.SetFilePath(file.Path);
    logger.SizeIsLimited = true;
    logger.SizeLimitMb = 1024;
    for (auto _ : state)
        logger.Log(Entry, lkInformation);
    state.counters["log_mb_at_end"] = static_cast<double>(logger.SizeInFileForm()) / 1048576;
}
BENCHMARK(BM_LogEntry)->Arg(0)->Arg(1)->Arg(100)->Unit(benchmark::kMicrosecond);

// What every entry would cost if it rewrote the whole file.
void BM_RewriteWholeLog(benchmark::State& state) {
    TLogFile file(state.range(0));
    TLogger logger(SystemClock(), TFormatSettings());
    std::vector<std::string> lines;
    logger.SetLines(&lines);
    logger.SetFilePath(file.Path);
    for (auto _ : state)
        logger.SaveFile();
}
BENCHMARK(BM_RewriteWholeLog)->Arg(0)->Arg(100)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace

BENCHMARK_MAIN();
