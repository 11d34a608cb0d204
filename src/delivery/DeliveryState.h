#pragma once

#include "delivery/DeliveryStatus.h"

#include <cstdint>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace corvalet {

// Minutes counted from 1970-01-01 00:00 of the local calendar: one number per (date, hour, minute).
std::int64_t MinuteNumber(const TDateTime& minute);
TDateTime MinuteOfNumber(std::int64_t number);

// A state file that does not read as one.
class EStateDamaged : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The minutes evaluated so far, as runs of consecutive minute numbers (first -> last). A run ends
// only where minutes were skipped, so the map stays small.
using TEvaluatedRuns = std::map<std::int64_t, std::int64_t>;

// What the schedule has done, kept in "Corvalet.state" in the settings folder so that a restart
// neither evaluates a minute again (a second mailing in the minute just mailed) nor forgets where
// the last run stopped (the minutes missed while the program was off are caught up from there).
// The file is plain text: a first line "Corvalet state 1", then one record a line, each appended and
// on disk before the schedule goes on; "E FIRST LAST" is a run of evaluated minutes. It is
// rewritten in one piece (a temporary file renamed over it, mode 0600) when it has grown, keeping
// the runs of the last two days.
class TDeliveryState final : public TDeliveryStatus {
public:
    // How far back the file keeps evaluated minutes when it is rewritten.
    static constexpr std::int64_t KeptMinutes = 2 * 1440;
    // Appended records after which the file is rewritten.
    static constexpr int RecordsBeforeRewrite = 1000;

    // `path` empty: the state lives in memory only.
    explicit TDeliveryState(std::string path);

    // Reads the file, when there is one. A file that does not read is moved aside to PATH.bad and
    // the state starts empty; the text returned says so, to be reported once. Empty: all was well.
    std::string Load();

    bool WasEvaluated(std::int64_t minute) const;
    // Records the minute as evaluated and writes it down. Returns the text of a failure to write,
    // empty when written (or when there is no file); the state in memory holds the minute anyway.
    std::string RecordEvaluated(std::int64_t minute);
    // The latest minute evaluated, in this run or an earlier one.
    std::optional<std::int64_t> LatestEvaluated() const;
    const TEvaluatedRuns& Runs() const { return Evaluated; }

    std::vector<TMailingRecord> WaitingMailings() const override { return {}; }
    std::optional<TMailingRecord> LastProblem() const override { return std::nullopt; }
    std::vector<TMailingRecord> RecentMailings() const override { return {}; }

    // The runs a state file's text holds; throws EStateDamaged for any text that is not one.
    static TEvaluatedRuns ParseState(std::string_view text);
    // The text of a state file holding `runs`.
    static std::string StateText(const TEvaluatedRuns& runs);

private:
    static void AddMinute(TEvaluatedRuns& runs, std::int64_t minute);
    std::string Rewrite();

    std::string Path;
    TEvaluatedRuns Evaluated;
    int RecordsAppended = 0;
    bool FileReady = false;
};

} // namespace corvalet
