#pragma once

#include "platform/Clock.h"
#include "platform/DateTime.h"
#include "platform/FormatSettings.h"

#include <cstdint>
#include <deque>
#include <exception>
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

// The mail job as the schedule sees it.
class TMailSender {
public:
    virtual ~TMailSender() = default;
    // Sends the message to the recipients text (addresses joined by ","); distribution 0 puts
    // them on the blind-copy list, 1 on the copy list. Failures of the session are reported by
    // the mail job itself; refusals before the session (bad sender, bad address, unreadable body
    // file) are thrown.
    virtual void SendMailTo(const std::string& recipients, std::uint8_t distribution) = 0;
    // True while a mailing runs (the network wait keeps serving ticks and clicks meanwhile).
    virtual bool IsMailing() const = 0;
};

// The program-wide error handler: an error box while the window is visible, a log entry while
// it is hidden.
class TErrorHandler {
public:
    virtual ~TErrorHandler() = default;
    virtual void HandleApplicationException(const std::exception& error) = 0;
};

// Whether a row of the frequency `code` (0 "Daily" .. 11 "Only at date ...") is due on `today`.
// `date` is the row's date; only codes 9, 10 and 11 look at it.
bool IsDueToday(int code, const TDateTime& date, const TDateTime& today);

// The once-a-minute schedule. The window's one-second timer calls TimerTimer while the window is
// hidden and scheduling is enabled; the first tick of each new minute runs one pass over the rows.
class TSchedule {
public:
    TSchedule(const TClock& clock, const TFormatSettings& formats, const TScheduleRowSource& rows,
              TMailSender& mailer, TErrorHandler& errors);

    // One timer tick.
    void TimerTimer();
    // One pass for the minute: the due BCC recipients get one mailing, then the due CC ones.
    void CheckSchedule(int hour, int minute);
    // The address texts of the rows of distribution `distribution` due at hour:minute today,
    // joined by ",".
    std::string CollectDueRecipients(std::uint8_t distribution, int hour, int minute);

    // Runs the passes of minutes that ticks saw while a mailing was running; the timer calls it
    // on every tick, and the shell when a "Send Now!" mailing has ended.
    void RunPendingPasses();
    // No more passes from now on (the program is ending); minutes waiting for their pass drop.
    void Stop();

    bool SchedulingEnabled = true;
    int LastTickHour = -1;
    int LastTickMinute = -1;

    bool PassPending() const { return !Pending.empty(); }

private:
    struct TMinute {
        int Hour;
        int Minute;
    };

    void RunPass(TMinute minute);
    void Scan(std::uint8_t distribution, TMinute minute);

    const TClock& Clock;
    const TFormatSettings& Formats;
    const TScheduleRowSource& Rows;
    TMailSender& Mailer;
    TErrorHandler& Errors;
    std::deque<TMinute> Pending;
    bool InPass = false;
    bool Stopped = false;
};

} // namespace corvalet
