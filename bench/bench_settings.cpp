// Saving the settings with a long recipient list: the whole file is rebuilt in memory and replaced
// in one step, so the cost must grow with the number of lines, not with its square.
#include "settings/Configuration.h"

#include "platform/Registry.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

class TNoRegistry final : public corvalet::TRegistry {
public:
    std::unique_ptr<corvalet::TRegistryKey> OpenKey(const std::string&) const override { return nullptr; }
};

std::string TemporaryFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "corvalet-bench-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr)
        std::abort();
    return pattern + "/";
}

// Settings with `count` recipients in a temporary folder of their own.
class TBenchSettings {
public:
    explicit TBenchSettings(int count) : Configuration(TemporaryFolder(), Registry) {
        for (int n = 0; n < count; ++n)
            Configuration.AddRecipient("recipient" + std::to_string(n) + "@example.test", "09 : 05",
                                       "Weekly starting from 12/08/2026", n % 2 == 0 ? "BCC" : "CC");
    }
    ~TBenchSettings() { std::filesystem::remove_all(Configuration.ProgramFolder); }
    TBenchSettings(const TBenchSettings&) = delete;
    TBenchSettings& operator=(const TBenchSettings&) = delete;

    TNoRegistry Registry;
    corvalet::TConfiguration Configuration;
};

// The first save of a list into a folder without a settings file.
void BM_SaveToIniNewFile(benchmark::State& state) {
    TBenchSettings settings(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        std::filesystem::remove(settings.Configuration.IniFilePath());
        state.ResumeTiming();
        settings.Configuration.SaveToIni();
    }
}
BENCHMARK(BM_SaveToIniNewFile)->Arg(10000)->Unit(benchmark::kMillisecond);

// Saving over a file that already holds every key: each value is replaced in place.
void BM_SaveToIniOverExistingFile(benchmark::State& state) {
    TBenchSettings settings(static_cast<int>(state.range(0)));
    settings.Configuration.SaveToIni();
    for (auto _ : state)
        settings.Configuration.SaveToIni();
}
BENCHMARK(BM_SaveToIniOverExistingFile)->Arg(10000)->Unit(benchmark::kMillisecond);

// Loading that file back.
void BM_LoadFromIni(benchmark::State& state) {
    TBenchSettings settings(static_cast<int>(state.range(0)));
    settings.Configuration.SaveToIni();
    for (auto _ : state)
        settings.Configuration.LoadFromIni();
}
BENCHMARK(BM_LoadFromIni)->Arg(10000)->Unit(benchmark::kMillisecond);

// The window hands its rows over top to bottom; sorted the other way round, each one goes first.
void BM_AddRecipientsInReverseOrder(benchmark::State& state) {
    TBenchSettings settings(0);
    const int count = static_cast<int>(state.range(0));
    for (auto _ : state) {
        settings.Configuration.ClearRecipients();
        for (int n = count; n > 0; --n)
            settings.Configuration.AddRecipient("recipient" + std::to_string(100000 + n) + "@example.test",
                                                "09 : 05", "Daily", "BCC");
    }
}
BENCHMARK(BM_AddRecipientsInReverseOrder)->Arg(10000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
