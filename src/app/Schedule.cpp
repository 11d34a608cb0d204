#include "app/Schedule.h"

#include "app/MailJob.h"
#include "settings/RecipientTexts.h"

#include <iterator>
#include <optional>

namespace corvalet {

namespace {

// Clears a flag when the scope ends, whichever way it ends.
class TFlagScope {
public:
    explicit TFlagScope(bool& flag) : Flag(flag) { Flag = true; }
    ~TFlagScope() { Flag = false; }
    TFlagScope(const TFlagScope&) = delete;
    TFlagScope& operator=(const TFlagScope&) = delete;

private:
    bool& Flag;
};

// Minutes counted from 1970-01-01 00:00 of the local calendar: one number per (date, hour, minute).
std::int64_t MinuteNumber(const TDateTime& minute) {
    return minute.DayNumber() * 1440 + minute.Hour * 60 + minute.Minute;
}

} // namespace

bool IsDueToday(int code, const TDateTime& date, const TDateTime& today) {
    const int weekday = today.DayOfWeek();
    if (code == FrequencyDaily)
        return true;
    if (code == FrequencyWorkdays)
        return weekday >= 1 && weekday <= 5;
    if (code >= FrequencyEachSunday && code <= FrequencyEachSaturday)
        return weekday == code - FrequencyEachSunday;
    // "Starting from" means what it says: nothing reaches the recipient before the chosen date.
    if (code == FrequencyWeekly)
        return weekday == date.DayOfWeek() && today.DayNumber() >= date.DayNumber();
    if (code == FrequencyMonthly)
        return today.Day == date.Day && today.DayNumber() >= date.DayNumber();
    if (code == FrequencyOnlyAtDate)
        return today.DayNumber() == date.DayNumber();
    return false;
}

TDateTime ScheduledMinuteOf(const TDateTime& time) {
    TDateTime minute = time;
    minute.Second = 0;
    minute.Millisecond = 0;
    return minute;
}

TSchedule::TSchedule(const TClock& clock, const TFormatSettings& formats, const TScheduleRowSource& rows,
                     TMailSender& mailer, TErrorHandler& errors)
    : Clock(clock), Formats(formats), Rows(rows), Mailer(mailer), Errors(errors) {}

void TSchedule::TimerTimer() {
    const TDateTime minute = ScheduledMinuteOf(Clock.Now());
    // A minute is known by its date as well as its time: the same clock minute on a later day is
    // a new one, and a minute seen before a clock was set back is not evaluated again.
    if (minute != LastTick && !WasEvaluated(minute)) {
        RecordEvaluated(MinuteNumber(minute));
        LastTick = minute;
        Pending.push_back(minute);
    }
    RunPendingPasses();
}

bool TSchedule::WasEvaluated(const TDateTime& minute) const {
    const std::int64_t number = MinuteNumber(minute);
    auto run = Evaluated.upper_bound(number);
    if (run == Evaluated.begin())
        return false;
    --run;
    return number <= run->second;
}

void TSchedule::RecordEvaluated(std::int64_t minute) {
    auto next = Evaluated.upper_bound(minute);
    if (next != Evaluated.begin()) {
        auto previous = std::prev(next);
        if (minute <= previous->second)
            return;
        if (previous->second == minute - 1) {
            previous->second = minute;
            if (next != Evaluated.end() && next->first == minute + 1) {
                previous->second = next->second;
                Evaluated.erase(next);
            }
            return;
        }
    }
    if (next != Evaluated.end() && next->first == minute + 1) {
        const std::int64_t last = next->second;
        Evaluated.erase(next);
        Evaluated.emplace(minute, last);
        return;
    }
    Evaluated.emplace(minute, minute);
}

void TSchedule::RunPendingPasses() {
    // The one SMTP client and message serve one mailing at a time. A tick that arrives while a
    // mailing waits on the network keeps its minute here; the pass runs once the mailing is over,
    // for that minute and its date, also when the mailing ended after midnight.
    if (InPass || Mailer.IsMailing())
        return;
    TFlagScope inPass(InPass);
    while (!Pending.empty()) {
        const TDateTime minute = Pending.front();
        Pending.pop_front();
        // "Disable" or the end of the program while a mailing ran: the waiting minutes are not mailed.
        if (Stopped || !SchedulingEnabled) {
            Pending.clear();
            break;
        }
        RunPass(minute);
    }
}

void TSchedule::Stop() {
    Stopped = true;
    Pending.clear();
}

void TSchedule::CheckSchedule(int hour, int minute) {
    TDateTime when = ScheduledMinuteOf(Clock.Now());
    when.Hour = hour;
    when.Minute = minute;
    CheckSchedule(when);
}

void TSchedule::CheckSchedule(const TDateTime& minute) {
    TFlagScope inPass(InPass);
    RunPass(minute);
}

void TSchedule::RunPass(const TDateTime& minute) {
    Scan(DistributionBcc, minute);
    if (!Stopped)
        Scan(DistributionCc, minute);
}

void TSchedule::Scan(std::uint8_t distribution, const TDateTime& minute) {
    const std::string recipients = CollectDueRecipients(distribution, minute);
    if (recipients.empty())
        return;
    // A mailing refused before its session (blank sender, an address the parser refuses, an
    // unreadable body file) is reported; the other scan of the minute still runs.
    try {
        const TMailOutcome outcome = Mailer.Deliver(TMailRequest{recipients, distribution, {}, {}});
        if (outcome.DisconnectFailure)
            std::rethrow_exception(outcome.DisconnectFailure);
    } catch (const std::exception& error) {
        Errors.HandleApplicationException(error);
    }
}

std::string TSchedule::CollectDueRecipients(std::uint8_t distribution, int hour, int minute) {
    TDateTime when = ScheduledMinuteOf(Clock.Now());
    when.Hour = hour;
    when.Minute = minute;
    return CollectDueRecipients(distribution, when);
}

std::string TSchedule::CollectDueRecipients(std::uint8_t distribution, const TDateTime& minute) {
    const std::string timeText = FormatTimeText(minute.Hour, minute.Minute);
    const TDateTime today = minute.DatePart();
    std::string result;
    for (const TScheduleRow& row : Rows.RecipientRows()) {
        if (row.Time != timeText)
            continue;
        const std::optional<int> code = ParseDistributionText(row.Distribution);
        if (!code || *code != distribution)
            continue;
        TFrequency frequency;
        // A row whose date does not read (written under another date format, or by hand) is
        // reported and left out; the other recipients of the minute keep their mailing.
        try {
            frequency = ParseFrequencyText(row.Frequency, today, Formats);
        } catch (const std::exception& error) {
            Errors.HandleApplicationException(error);
            continue;
        }
        if (!IsDueToday(frequency.Code, frequency.Date, today))
            continue;
        if (!result.empty())
            result += ",";
        result += row.Address;
    }
    return result;
}

} // namespace corvalet
