// The cost of one tick: a tick of a minute already evaluated, and a pass over a large recipient
// list in which every other row is due (half of them with a dated frequency to read).
#include "app/MailJob.h"
#include "app/Schedule.h"

#include <benchmark/benchmark.h>

#include <string>

namespace corvalet {
namespace {

class TStillClock final : public TClock {
public:
    TDateTime Now() const override { return TDateTime{2026, 12, 9, 9, 5, 0, 0}; }
};

class TRows final : public TScheduleRowSource {
public:
    explicit TRows(int count) {
        for (int i = 0; i < count; ++i)
            Rows.push_back(TScheduleRow{std::string("r").append(std::to_string(i)).append("@example.org"),
                                        i % 2 == 0 ? "09 : 05" : "10 : 00",
                                        i % 4 == 0 ? "Weekly starting from 12/16/2026" : "Daily", "BCC"});
    }
    std::vector<TScheduleRow> RecipientRows() const override { return Rows; }
    std::vector<TScheduleRow> Rows;
};

class TCountingMailer final : public TMailSender {
public:
    TMailOutcome Deliver(const TMailRequest& request) override {
        Bytes += request.Recipients.size();
        TMailOutcome outcome;
        outcome.Sent = true;
        return outcome;
    }
    std::string NewMessageId() override { return "<bench@example.org>"; }
    bool IsMailing() const override { return false; }
    void ReportMissed(const std::string&, const TDateTime&) override {}
    std::size_t Bytes = 0;
};

class TNoErrors final : public TErrorHandler {
public:
    void HandleApplicationException(const std::exception&) override {}
};

// A schedule over `rowCount` recipient rows with a clock that stands still and a mailer that only counts.
struct TScheduleBench {
    explicit TScheduleBench(int rowCount) : Rows(rowCount) {}
    TStillClock Clock;
    TFormatSettings Formats{"MM/dd/yyyy", "HH:mm:ss"};
    TRows Rows;
    TCountingMailer Mailer;
    TNoErrors Errors;
    TDeliveryState State{""};
    TSchedule Schedule{Clock, Formats, Rows, Mailer, Errors, State, [] { return 0; }};
};

void BM_TickInEvaluatedMinute(benchmark::State& state) {
    TScheduleBench bench(static_cast<int>(state.range(0)));
    bench.Schedule.TimerTimer();
    for (auto _ : state)
        bench.Schedule.TimerTimer();
}
BENCHMARK(BM_TickInEvaluatedMinute)->Arg(10000);

void BM_PassOverRows(benchmark::State& state) {
    TScheduleBench bench(static_cast<int>(state.range(0)));
    for (auto _ : state)
        bench.Schedule.CheckSchedule(9, 5);
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_PassOverRows)->Arg(100)->Arg(10000)->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace corvalet

BENCHMARK_MAIN();
