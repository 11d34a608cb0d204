#include "app/Schedule.h"

#include "settings/RecipientTexts.h"

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
    if (code == FrequencyWeekly)
        return weekday == date.DayOfWeek();
    if (code == FrequencyMonthly)
        return today.Day == date.Day;
    if (code == FrequencyOnlyAtDate)
        return today.DayNumber() == date.DayNumber();
    return false;
}

TSchedule::TSchedule(const TClock& clock, const TFormatSettings& formats, const TScheduleRowSource& rows,
                     TMailSender& mailer, TErrorHandler& errors)
    : Clock(clock), Formats(formats), Rows(rows), Mailer(mailer), Errors(errors) {}

void TSchedule::TimerTimer() {
    const TDateTime now = Clock.Now();
    if (now.Hour != LastTickHour || now.Minute != LastTickMinute) {
        LastTickHour = now.Hour;
        LastTickMinute = now.Minute;
        Pending.push_back(TMinute{now.Hour, now.Minute});
    }
    RunPendingPasses();
}

void TSchedule::RunPendingPasses() {
    // The one SMTP client and message serve one mailing at a time. A tick that arrives while a
    // mailing waits on the network keeps its minute here; the pass runs once the mailing is over.
    if (InPass || Mailer.IsMailing())
        return;
    TFlagScope inPass(InPass);
    while (!Pending.empty()) {
        const TMinute minute = Pending.front();
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
    TFlagScope inPass(InPass);
    RunPass(TMinute{hour, minute});
}

void TSchedule::RunPass(TMinute minute) {
    Scan(DistributionBcc, minute);
    if (!Stopped)
        Scan(DistributionCc, minute);
}

void TSchedule::Scan(std::uint8_t distribution, TMinute minute) {
    const std::string recipients = CollectDueRecipients(distribution, minute.Hour, minute.Minute);
    if (recipients.empty())
        return;
    // A mailing refused before its session (blank sender, an address the parser refuses, an
    // unreadable body file) is reported; the other scan of the minute still runs.
    try {
        Mailer.SendMailTo(recipients, distribution);
    } catch (const std::exception& error) {
        Errors.HandleApplicationException(error);
    }
}

std::string TSchedule::CollectDueRecipients(std::uint8_t distribution, int hour, int minute) {
    const std::string timeText = FormatTimeText(hour, minute);
    const TDateTime today = Clock.Now();
    std::string result;
    for (const TScheduleRow& row : Rows.RecipientRows()) {
        if (row.Time != timeText)
            continue;
        const std::optional<int> code = ParseDistributionText(row.Distribution);
        if (!code || *code != distribution)
            continue;
        TFrequency frequency;
        // A row whose date no longer reads (the date format changed since it was written) is
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
