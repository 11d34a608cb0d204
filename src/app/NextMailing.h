#pragma once

#include "app/Schedule.h"
#include "platform/DateTime.h"
#include "platform/FormatSettings.h"

#include <optional>
#include <string>
#include <vector>

namespace corvalet {

// When the schedule will next mail a row, worked out with the schedule's own day rule so that what
// the window shows can never disagree with what is sent.
//
// The first local date and time, after the minute of `now`, at which the row is due: its time text
// is one the schedule matches (two-digit hour, " : ", two-digit minute), its distribution is "BCC"
// or "CC", and IsDueToday holds for its frequency on that date. Nothing for a row that will never
// be mailed: a time or distribution that no pass matches, a date that does not read, an "Only at
// date" in the past. The minute of `now` itself counts as gone: its pass has run or is running.
std::optional<TDateTime> NextMailing(const TScheduleRow& row, const TDateTime& now, const TFormatSettings& formats);

// The first mailing of all rows together: its date and time and the number of rows due then.
struct TNextMailings {
    TDateTime When;
    int Rows = 0;
};
std::optional<TNextMailings> NextMailingOfRows(const std::vector<TScheduleRow>& rows, const TDateTime& now,
                                               const TFormatSettings& formats);

// A mailing's date and time as the window and the notification icon show it: the short date and
// the hour and minute the schedule's time fields use ("12/10/2026 09:05").
std::string MailingTimeText(const TDateTime& when, const TFormatSettings& formats);

} // namespace corvalet
