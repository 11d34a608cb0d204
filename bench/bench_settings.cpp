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

void FillRecipients(corvalet::TConfiguration& configuration, int count) {
    for (int n = 0; n < count; ++n)
        configuration.AddRecipient("recipient" + std::to_string(n) + "@example.test", "09 : 05",
                                   "Weekly starting from 12/08/2026", n % 2 == 0 ? "BCC" : "CC");
}

// The first save of a list into a folder without a settings file.
void BM_SaveToIniNewFile(benchmark::State& state) {
    const TNoRegistry registry;
    const std::string folder = TemporaryFolder();
    corvalet::TConfiguration configuration(folder, registry);
    FillRecipients(configuration, static_cast<int>(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        std::filesystem::remove(configuration.IniFilePath());
        state.ResumeTiming();
        configuration.SaveToIni();
    }
    std::filesystem::remove_all(folder);
}
BENCHMARK(BM_SaveToIniNewFile)->Arg(10000)->Unit(benchmark::kMillisecond);

// Saving over a file that already holds every key: each value is replaced in place.
void BM_SaveToIniOverExistingFile(benchmark::State& state) {
    const TNoRegistry registry;
    const std::string folder = TemporaryFolder();
    corvalet::TConfiguration configuration(folder, registry);
    FillRecipients(configuration, static_cast<int>(state.range(0)));
    configuration.SaveToIni();
    for (auto _ : state)
        configuration.SaveToIni();
    std::filesystem::remove_all(folder);
}
BENCHMARK(BM_SaveToIniOverExistingFile)->Arg(10000)->Unit(benchmark::kMillisecond);

// Loading that file back.
void BM_LoadFromIni(benchmark::State& state) {
    const TNoRegistry registry;
    const std::string folder = TemporaryFolder();
    corvalet::TConfiguration configuration(folder, registry);
    FillRecipients(configuration, static_cast<int>(state.range(0)));
    configuration.SaveToIni();
    for (auto _ : state)
        configuration.LoadFromIni();
    std::filesystem::remove_all(folder);
}
BENCHMARK(BM_LoadFromIni)->Arg(10000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
