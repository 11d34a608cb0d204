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
                     TMailSender& mailer, TErrorHandler& errors, TDeliveryState& state,
                     TCatchUpMinutes catchUpMinutes)
    : Clock(clock), Formats(formats), Rows(rows), Mailer(mailer), Errors(errors), State(state),
      CatchUpMinutes(std::move(catchUpMinutes)) {}

void TSchedule::TimerTimer() {
    const TDateTime minute = ScheduledMinuteOf(Clock.Now());
    // A minute is known by its date as well as its time: the same clock minute on a later day is
    // a new one, and a minute seen before a clock was set back is not evaluated again.
    if (minute != LastTick && !WasEvaluated(minute)) {
        const std::int64_t number = MinuteNumber(minute);
        const std::optional<std::int64_t> latest = State.LatestEvaluated();
        // The minute is written down before anything is mailed for it or for the minutes it
        // catches up: a crash in the middle then costs a mailing rather than mailing it twice.
        const std::string writeProblem = State.RecordEvaluated(number);
        if (!writeProblem.empty() && !StateWriteFailed)
            Errors.HandleApplicationException(std::runtime_error(writeProblem));
        StateWriteFailed = !writeProblem.empty();
        LastTick = minute;
        if (latest && number > *latest + 1)
            CatchUp(*latest + 1, number - 1, number);
        Pending.push_back(TPass{minute, false, {}, {}});
    }
    RunPendingPasses();
}

void TSchedule::CatchUp(std::int64_t first, std::int64_t last, std::int64_t now) {
    const int bound = CatchUpMinutes ? CatchUpMinutes() : 0;
    if (bound <= 0)
        return;
    // Per row, the latest minute of the gap it was due in; a row due every day of a long absence
    // gets one late mailing (or one report), not one for each day.
    struct TGroup {
        std::string Recipients[2];
    };
    std::map<std::int64_t, TGroup> late;
    std::map<std::int64_t, TGroup> missed;
    const std::int64_t firstDay = std::max(first / 1440, last / 1440 - CatchUpLookBackDays);
    const TDateTime lastDate = MinuteOfNumber(last).DatePart();
    for (const TScheduleRow& row : Rows.RecipientRows()) {
        TTimeText time;
        const std::optional<int> distribution = ParseDistributionText(row.Distribution);
        // The same rule as a minute's own pass: the time text as the program writes it.
        if (!ParseTimeText(row.Time, time) || !distribution || time.Hour < 0 || time.Hour > 23 ||
            time.Minute < 0 || time.Minute > 59 || FormatTimeText(time.Hour, time.Minute) != row.Time)
            continue;
        TFrequency frequency;
        // A row whose frequency does not read is reported by the minute's own pass.
        try {
            frequency = ParseFrequencyText(row.Frequency, lastDate, Formats);
        } catch (const std::exception&) {
            continue;
        }
        for (std::int64_t day = last / 1440; day >= firstDay; --day) {
            const std::int64_t due = day * 1440 + time.Hour * 60 + time.Minute;
            if (due < first || due > last)
                continue;
            if (!IsDueToday(frequency.Code, frequency.Date, TDateTime::FromDayNumber(day)))
                continue;
            std::string& recipients =
                (now - due <= bound ? late : missed)[due].Recipients[*distribution == DistributionCc ? 1 : 0];
            if (!recipients.empty())
                recipients += ",";
            recipients += row.Address;
            break;
        }
    }
    for (const auto& [due, group] : missed)
        for (const std::string& recipients : group.Recipients)
            if (!recipients.empty())
                Mailer.ReportMissed(recipients, MinuteOfNumber(due));
    for (const auto& [due, group] : late)
        Pending.push_back(TPass{MinuteOfNumber(due), true, group.Recipients[0], group.Recipients[1]});
}

bool TSchedule::WasEvaluated(const TDateTime& minute) const {
    return State.WasEvaluated(MinuteNumber(minute));
}

void TSchedule::RunPendingPasses() {
    // The one SMTP client and message serve one mailing at a time. A tick that arrives while a
    // mailing waits on the network keeps its minute here; the pass runs once the mailing is over,
    // for that minute and its date, also when the mailing ended after midnight.
    if (InPass || Mailer.IsMailing())
        return;
    TFlagScope inPass(InPass);
    while (!Pending.empty()) {
        const TPass pass = Pending.front();
        Pending.pop_front();
        // "Disable" or the end of the program while a mailing ran: the waiting minutes are not mailed.
        if (Stopped || !SchedulingEnabled) {
            Pending.clear();
            break;
        }
        RunPass(pass);
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
    RunPass(TPass{minute, false, {}, {}});
}

void TSchedule::RunPass(const TPass& pass) {
    if (pass.Late) {
        // The recipients were collected when the gap was found, as that minute's pass would have
        // grouped them.
        Send(DistributionBcc, pass.Bcc);
        if (!Stopped)
            Send(DistributionCc, pass.Cc);
        return;
    }
    Scan(DistributionBcc, pass.Minute);
    if (!Stopped)
        Scan(DistributionCc, pass.Minute);
}

void TSchedule::Scan(std::uint8_t distribution, const TDateTime& minute) {
    Send(distribution, CollectDueRecipients(distribution, minute));
}

void TSchedule::Send(std::uint8_t distribution, const std::string& recipients) {
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
