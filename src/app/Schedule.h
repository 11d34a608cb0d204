#pragma once

#include "delivery/DeliveryState.h"
#include "platform/Clock.h"
#include "platform/DateTime.h"
#include "platform/FormatSettings.h"

#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace corvalet {

// One row of the recipient list as the window shows it: four texts in the settings' formats.
struct TScheduleRow {
    std::string Address;
    std::string Time;
    std::string Frequency;
    std::string Distribution;
};

// Where the schedule reads the recipients from: the window's list, in display order, as it stands
// at the moment of asking (rows can change while a mailing waits on the network).
class TScheduleRowSource {
public:
    virtual ~TScheduleRowSource() = default;
    virtual std::vector<TScheduleRow> RecipientRows() const = 0;
};

struct TMailOutcome;

// One try of one mailing.
struct TMailRequest {
    // Addresses joined by ","; distribution 0 puts them on the blind-copy list, 1 on the copy list.
    std::string Recipients;
    std::uint8_t Distribution = 0;
    // The Message-ID of the mailing, the same on each of its tries; empty: a new one.
    std::string MessageId;
    // What the failure's log entry adds for this try ("; next try at 09:06:00"); unset: nothing.
    std::function<std::string(const TMailOutcome&)> FailureNote;
};

// The mail job as the schedule sees it.
class TMailSender {
public:
    virtual ~TMailSender() = default;
    // Sends the message once. Failures of the session are reported by the mail job itself and
    // come back in the outcome; refusals before the session (bad sender, bad address, unreadable
    // body file) are thrown.
    virtual TMailOutcome Deliver(const TMailRequest& request) = 0;
    // A new Message-ID ("<random@sender's domain>") for a mailing that is about to be tried.
    virtual std::string NewMessageId() = 0;
    // True while a mailing runs (the network wait keeps serving ticks and clicks meanwhile).
    virtual bool IsMailing() const = 0;
    // Reports recipients whose mailing of the minute `due` was missed (the computer slept or the
    // program was off) and is too late to go out now.
    virtual void ReportMissed(const std::string& recipients, const TDateTime& due) = 0;
};

// How late a missed mailing may still go out, in minutes (0: never), as the settings say now.
using TCatchUpMinutes = std::function<int()>;

// The program-wide error handler: an error box while the window is visible, a log entry while
// it is hidden.
class TErrorHandler {
public:
    virtual ~TErrorHandler() = default;
    virtual void HandleApplicationException(const std::exception& error) = 0;
};

// Whether a row of the frequency `code` (0 "Daily" .. 11 "Only at date ...") is due on `today`.
// `date` is the row's date; only codes 9, 10 and 11 look at it. A weekly or monthly row is due
// from its date on, never before it.
bool IsDueToday(int code, const TDateTime& date, const TDateTime& today);

// The minute a pass belongs to: the local date with the hour and minute (seconds dropped).
TDateTime ScheduledMinuteOf(const TDateTime& time);

// The once-a-minute schedule. The window's one-second timer calls TimerTimer while the window is
// hidden and scheduling is enabled; the first tick of each new minute runs one pass over the rows.
// The minutes evaluated are kept in the delivery state, across runs. When a tick finds minutes that
// were never evaluated since the latest one (the computer slept, the program was off, the window
// was open, the clock jumped forward), each row due in them gets one late mailing, for the latest
// such minute, when that is at most the catch-up's minutes ago; the others are reported missed.
class TSchedule {
public:
    TSchedule(const TClock& clock, const TFormatSettings& formats, const TScheduleRowSource& rows,
              TMailSender& mailer, TErrorHandler& errors, TDeliveryState& state, TCatchUpMinutes catchUpMinutes);

    // One timer tick.
    void TimerTimer();
    // One pass for a minute of today: the due BCC recipients get one mailing, then the due CC ones.
    void CheckSchedule(int hour, int minute);
    // One pass for the minute `minute` (its date, hour and minute): the rows are judged on that
    // minute's date, however long the mailings take.
    void CheckSchedule(const TDateTime& minute);
    // The address texts of the rows of distribution `distribution` due at hour:minute today,
    // joined by ",".
    std::string CollectDueRecipients(std::uint8_t distribution, int hour, int minute);
    // The same for the time of day and the date of `minute`.
    std::string CollectDueRecipients(std::uint8_t distribution, const TDateTime& minute);

    // Runs the passes of minutes that ticks saw while a mailing was running; the timer calls it
    // on every tick, and the shell when a "Send Now!" mailing has ended.
    void RunPendingPasses();
    // No more passes from now on (the program is ending); minutes waiting for their pass drop.
    void Stop();

    bool SchedulingEnabled = true;

    // The minute of the last tick that evaluated one, if any.
    std::optional<TDateTime> LastEvaluatedMinute() const { return LastTick; }
    // Whether a tick has already evaluated this minute (date, hour and minute) during the run.
    bool WasEvaluated(const TDateTime& minute) const;

    bool PassPending() const { return !Pending.empty(); }

    // Missed minutes looked back over at most, in days: enough for a monthly row.
    static constexpr int CatchUpLookBackDays = 400;

private:
    // A pass waiting for its turn: a minute's own, or the late mailings of missed minutes.
    struct TPass {
        TDateTime Minute;
        bool Late = false;
        std::string Bcc;
        std::string Cc;
    };
    void RunPass(const TPass& pass);
    void Scan(std::uint8_t distribution, const TDateTime& minute);
    void Send(std::uint8_t distribution, const std::string& recipients);
    // Queues the late mailings of the minutes first..last (never evaluated) as seen at `now`.
    void CatchUp(std::int64_t first, std::int64_t last, std::int64_t now);

    const TClock& Clock;
    const TFormatSettings& Formats;
    const TScheduleRowSource& Rows;
    TMailSender& Mailer;
    TErrorHandler& Errors;
    // Every minute evaluated so far, so that a clock set back (end of summer time, a time-sync step)
    // or a restart never evaluates a minute twice.
    TDeliveryState& State;
    TCatchUpMinutes CatchUpMinutes;
    std::deque<TPass> Pending;
    std::optional<TDateTime> LastTick;
    // A failure to write the state is reported once, until a record is written again.
    bool StateWriteFailed = false;
    bool InPass = false;
    bool Stopped = false;
};

} // namespace corvalet
