#include "app/NextMailing.h"

#include "settings/RecipientTexts.h"

#include <algorithm>
#include <exception>

namespace corvalet {

namespace {

// Every frequency repeats within this many days, the monthly ones included (a 31st comes back
// within two months, a 29th within two months too, February of a common year being the only gap).
constexpr std::int64_t RepeatingWithinDays = 62;

} // namespace

std::optional<TDateTime> NextMailing(const TScheduleRow& row, const TDateTime& now, const TFormatSettings& formats) {
    TTimeText time;
    // The pass compares time texts character for character: only a text it writes itself matches.
    if (!ParseTimeText(row.Time, time) || time.Hour < 0 || time.Hour > 23 || time.Minute < 0 ||
        time.Minute > 59 || FormatTimeText(time.Hour, time.Minute) != row.Time)
        return std::nullopt;
    if (!ParseDistributionText(row.Distribution))
        return std::nullopt;
    const TDateTime today = now.DatePart();
    TFrequency frequency;
    try {
        frequency = ParseFrequencyText(row.Frequency, today, formats);
    } catch (const std::exception&) {
        return std::nullopt; // the pass reports such a row when it comes due; it is never mailed
    }
    std::int64_t lastDay = RepeatingWithinDays;
    if (frequency.Code >= FirstDatedFrequency)
        lastDay = std::max(lastDay, frequency.Date.DayNumber() - today.DayNumber() + RepeatingWithinDays);
    const bool laterToday = time.Hour > now.Hour || (time.Hour == now.Hour && time.Minute > now.Minute);
    for (std::int64_t day = laterToday ? 0 : 1; day <= lastDay; ++day) {
        const TDateTime date = today.AddDays(day);
        if (IsDueToday(frequency.Code, frequency.Date, date))
            return TDateTime{date.Year, date.Month, date.Day, time.Hour, time.Minute, 0, 0};
    }
    return std::nullopt;
}

std::optional<TNextMailings> NextMailingOfRows(const std::vector<TScheduleRow>& rows, const TDateTime& now,
                                               const TFormatSettings& formats) {
    std::optional<TNextMailings> next;
    for (const TScheduleRow& row : rows) {
        const std::optional<TDateTime> when = NextMailing(row, now, formats);
        if (!when)
            continue;
        if (!next || *when < next->When)
            next = TNextMailings{*when, 1};
        else if (*when == next->When)
            ++next->Rows;
    }
    return next;
}

std::string MailingTimeText(const TDateTime& when, const TFormatSettings& formats) {
    return formats.FormatDate(when) + " " + TFormatSettings::Format("HH:mm", when);
}

} // namespace corvalet
