#include "delivery/DeliveryState.h"

#include "platform/TextFile.h"

#include <cerrno>
#include <charconv>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

namespace corvalet {

namespace {

constexpr std::string_view FirstLine = "Corvalet state 1";
// A state file is a few kilobytes; one far larger is not ours.
constexpr std::uintmax_t LargestFile = 16 * 1024 * 1024;
// Minute numbers of the years 1900 to 9999: anything outside is damage, not a minute.
constexpr std::int64_t LowestMinute = -36524LL * 1440;
constexpr std::int64_t HighestMinute = 2932896LL * 1440;

bool ReadNumber(std::string_view& text, std::int64_t& number) {
    const char* end = text.data() + text.size();
    const auto [rest, error] = std::from_chars(text.data(), end, number);
    if (error != std::errc() || rest == text.data())
        return false;
    text.remove_prefix(static_cast<std::size_t>(rest - text.data()));
    return number >= LowestMinute && number <= HighestMinute;
}

} // namespace

std::int64_t MinuteNumber(const TDateTime& minute) {
    return minute.DayNumber() * 1440 + minute.Hour * 60 + minute.Minute;
}

TDateTime MinuteOfNumber(std::int64_t number) {
    std::int64_t days = number / 1440;
    std::int64_t rest = number % 1440;
    if (rest < 0) {
        rest += 1440;
        --days;
    }
    TDateTime minute = TDateTime::FromDayNumber(days);
    minute.Hour = static_cast<int>(rest / 60);
    minute.Minute = static_cast<int>(rest % 60);
    return minute;
}

TDeliveryState::TDeliveryState(std::string path) : Path(std::move(path)) {}

TEvaluatedRuns TDeliveryState::ParseState(std::string_view text) {
    TEvaluatedRuns runs;
    std::size_t lineNumber = 0;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        if (end == std::string_view::npos)
            // A last line without its end is a record cut short by a crash or a full disk.
            throw EStateDamaged("line " + std::to_string(lineNumber + 1) + " is cut short");
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end + 1);
        ++lineNumber;
        if (lineNumber == 1) {
            if (line != FirstLine)
                throw EStateDamaged("it does not start with \"" + std::string(FirstLine) + "\"");
            continue;
        }
        std::int64_t first = 0;
        std::int64_t last = 0;
        if (line.size() < 2 || line.substr(0, 2) != "E ")
            throw EStateDamaged("line " + std::to_string(lineNumber) + " is not a record");
        line.remove_prefix(2);
        bool read = ReadNumber(line, first);
        if (read && !line.empty() && line.front() == ' ') {
            line.remove_prefix(1);
            read = ReadNumber(line, last);
        } else {
            read = false;
        }
        if (!read || !line.empty() || last < first || last - first > HighestMinute - LowestMinute)
            throw EStateDamaged("line " + std::to_string(lineNumber) + " is not a record");
        // Runs may overlap or touch after a clock was set back; they are joined as they are read.
        for (auto run = runs.lower_bound(first); run != runs.end() && run->first <= last + 1;) {
            last = std::max(last, run->second);
            run = runs.erase(run);
        }
        auto previous = runs.lower_bound(first);
        if (previous != runs.begin() && std::prev(previous)->second >= first - 1) {
            --previous;
            previous->second = std::max(previous->second, last);
        } else {
            runs.emplace(first, last);
        }
    }
    if (lineNumber == 0)
        throw EStateDamaged("it is empty");
    return runs;
}

std::string TDeliveryState::StateText(const TEvaluatedRuns& runs) {
    std::string text(FirstLine);
    text += '\n';
    for (const auto& [first, last] : runs)
        text += "E " + std::to_string(first) + " " + std::to_string(last) + "\n";
    return text;
}

std::string TDeliveryState::Load() {
    Evaluated.clear();
    FileReady = false;
    if (Path.empty())
        return {};
    std::error_code error;
    const auto status = std::filesystem::symlink_status(Path, error);
    if (error || status.type() == std::filesystem::file_type::not_found)
        return {};
    std::string problem;
    if (status.type() != std::filesystem::file_type::regular) {
        problem = "it is not a file";
    } else if (std::filesystem::file_size(Path, error) > LargestFile || error) {
        problem = error ? error.message() : "it is too large";
    } else {
        std::ifstream file(Path, std::ios::binary);
        std::ostringstream text;
        text << file.rdbuf();
        if (!file && !file.eof()) {
            problem = std::strerror(errno);
        } else {
            try {
                Evaluated = ParseState(text.str());
                FileReady = true;
                return {};
            } catch (const EStateDamaged& damage) {
                problem = damage.what();
            }
        }
    }
    // Set aside for whoever wants to look at it; the schedule goes on from the clock, which mails
    // nothing that was missed (there is no last evaluated minute to catch up from).
    const std::string aside = Path + ".bad";
    std::filesystem::rename(Path, aside, error);
    return "The delivery state " + Path + " could not be read (" + problem + ")" +
           (error ? "; it could not be set aside either: " + error.message()
                  : "; it was set aside as " + aside) +
           ". Mailings missed before now are not caught up.";
}

bool TDeliveryState::WasEvaluated(std::int64_t minute) const {
    auto run = Evaluated.upper_bound(minute);
    if (run == Evaluated.begin())
        return false;
    --run;
    return minute <= run->second;
}

std::optional<std::int64_t> TDeliveryState::LatestEvaluated() const {
    if (Evaluated.empty())
        return std::nullopt;
    return Evaluated.rbegin()->second;
}

void TDeliveryState::AddMinute(TEvaluatedRuns& runs, std::int64_t minute) {
    auto next = runs.upper_bound(minute);
    if (next != runs.begin()) {
        auto previous = std::prev(next);
        if (minute <= previous->second)
            return;
        if (previous->second == minute - 1) {
            previous->second = minute;
            if (next != runs.end() && next->first == minute + 1) {
                previous->second = next->second;
                runs.erase(next);
            }
            return;
        }
    }
    if (next != runs.end() && next->first == minute + 1) {
        const std::int64_t last = next->second;
        runs.erase(next);
        runs.emplace(minute, last);
        return;
    }
    runs.emplace(minute, minute);
}

std::string TDeliveryState::RecordEvaluated(std::int64_t minute) {
    AddMinute(Evaluated, minute);
    if (Path.empty())
        return {};
    if (!FileReady || RecordsAppended >= RecordsBeforeRewrite)
        return Rewrite();
    const std::string record = "E " + std::to_string(minute) + " " + std::to_string(minute) + "\n";
    if (!AppendToFileSynced(Path, record)) {
        // The file went away or cannot take the record: write it anew in one piece.
        return Rewrite();
    }
    ++RecordsAppended;
    return {};
}

std::string TDeliveryState::Rewrite() {
    // Only the last days matter: a clock is seldom set back further, and the catch-up looks back
    // from the latest minute only.
    TEvaluatedRuns kept;
    if (const std::optional<std::int64_t> latest = LatestEvaluated()) {
        const std::int64_t from = *latest - KeptMinutes;
        for (const auto& [first, last] : Evaluated)
            if (last >= from)
                kept.emplace(std::max(first, from), last);
    }
    const std::filesystem::path folder = std::filesystem::path(Path).parent_path();
    if (!folder.empty() && !CreatePrivateFolders(folder.string()))
        return "The delivery state cannot be written: " + folder.string() + " cannot be made";
    if (!WritePrivateFile(Path, StateText(kept))) {
        FileReady = false;
        return "The delivery state cannot be written to " + Path + ": " + std::strerror(errno);
    }
    FileReady = true;
    RecordsAppended = 0;
    return {};
}

} // namespace corvalet
