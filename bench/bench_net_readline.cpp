// Reading many short lines over loopback: the time per line must not grow with the number of
// lines (the input buffer compacts rarely and each search covers only new bytes).
#include <benchmark/benchmark.h>

#include <string>

#include "net/TCPClient.h"
#include "support/LoopbackServer.h"

namespace {

using namespace corvalet;

std::string ShortLines(std::int64_t count) {
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(count) * 16);
    for (std::int64_t i = 0; i < count; ++i)
        bytes += "250-line " + std::to_string(i % 100000) + "\r\n";
    return bytes;
}

void BM_ReadShortLines(benchmark::State& state) {
    const std::int64_t count = state.range(0);
    const std::string payload = ShortLines(count);
    test::TLoopbackServer server([&payload](test::TLoopbackPeer& peer) {
        peer.Send(payload);
        peer.WaitForClose(60000);
    });
    for (auto _ : state) {
        state.PauseTiming();
        TNetTCPClient client;
        client.Host = "127.0.0.1";
        client.Port = server.Port();
        client.ReadTimeout = 10000;
        client.Connect();
        state.ResumeTiming();
        std::size_t total = 0;
        for (std::int64_t i = 0; i < count; ++i)
            total += client.ReadLine().size();
        benchmark::DoNotOptimize(total);
        state.PauseTiming();
        client.Disconnect();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * count);
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(payload.size()));
}

BENCHMARK(BM_ReadShortLines)
    ->Arg(250000)
    ->Arg(500000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace

BENCHMARK_MAIN();
