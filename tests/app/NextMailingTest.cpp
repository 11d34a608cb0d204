// When each row will next be mailed, by the schedule's own day rule.
#include "app/NextMailing.h"

#include "app/Schedule.h"
#include "settings/RecipientTexts.h"

#include <gtest/gtest.h>

#include <optional>

namespace corvalet {
namespace {

const TFormatSettings Formats{"dd.MM.yyyy", "HH:mm:ss"};
// Wednesday 9 December 2026, 14:30:20.
const TDateTime Now{2026, 12, 9, 14, 30, 20, 0};

TDateTime At(int year, int month, int day, int hour, int minute) {
    return TDateTime{year, month, day, hour, minute, 0, 0};
}

struct TCase {
    const char* Time;
    const char* Frequency;
    const char* Distribution;
    std::optional<TDateTime> Expected;
};

TEST(NextMailing, ATableOfFrequencies) {
    const TCase cases[] = {
        {"14 : 45", "Daily", "BCC", At(2026, 12, 9, 14, 45)},
        // The current minute's pass has run: tomorrow.
        {"14 : 30", "Daily", "BCC", At(2026, 12, 10, 14, 30)},
        {"09 : 00", "Daily", "CC", At(2026, 12, 10, 9, 0)},
        {"09 : 00", "Workdays only", "BCC", At(2026, 12, 10, 9, 0)},
        {"09 : 00", "Each Sunday", "BCC", At(2026, 12, 13, 9, 0)},
        {"15 : 00", "Each Wednesday", "BCC", At(2026, 12, 9, 15, 0)},
        {"14 : 00", "Each Wednesday", "BCC", At(2026, 12, 16, 14, 0)},
        {"15 : 00", "Weekly starting from 02.12.2026", "BCC", At(2026, 12, 9, 15, 0)},
        {"08 : 00", "Monthly starting from 31.10.2026", "CC", At(2026, 12, 31, 8, 0)},
        {"08 : 00", "Monthly starting from 30.01.2026", "CC", At(2026, 12, 30, 8, 0)},
        {"10 : 00", "Only at date 24.12.2026", "BCC", At(2026, 12, 24, 10, 0)},
        {"10 : 00", "Only at date 24.12.2030", "BCC", At(2030, 12, 24, 10, 0)},
        // A row the schedule counts as Daily.
        {"16 : 00", "Fortnightly", "BCC", At(2026, 12, 9, 16, 0)},
        // Rows no pass will ever mail.
        {"10 : 00", "Only at date 01.12.2026", "BCC", std::nullopt},
        {"14 : 30", "Only at date 09.12.2026", "BCC", std::nullopt},
        {"10 : 00", "Only at date 31/31/2026", "BCC", std::nullopt},
        {"9 : 05", "Daily", "BCC", std::nullopt},
        {"24 : 00", "Daily", "BCC", std::nullopt},
        {"", "Daily", "BCC", std::nullopt},
        {"10 : 00", "Daily", "bcc", std::nullopt},
    };
    for (const TCase& example : cases) {
        const TScheduleRow row{"a@example.test", example.Time, example.Frequency, example.Distribution};
        EXPECT_EQ(NextMailing(row, Now, Formats), example.Expected)
            << example.Time << " / " << example.Frequency << " / " << example.Distribution;
    }
}

// Whatever the day rule says (it may change), the next mailing is the first day it holds after now.
TEST(NextMailing, FollowsTheSchedulesDayRule) {
    const char* const frequencies[] = {"Daily", "Workdays only", "Each Saturday", "Weekly starting from 16.12.2026",
                                       "Weekly starting from 25.11.2026", "Monthly starting from 31.01.2027",
                                       "Monthly starting from 29.02.2028", "Only at date 05.01.2027"};
    for (const char* frequency : frequencies) {
        const TScheduleRow row{"a@example.test", "10 : 15", frequency, "CC"};
        const std::optional<TDateTime> next = NextMailing(row, Now, Formats);
        ASSERT_TRUE(next.has_value()) << frequency;
        const TFrequency parsed = ParseFrequencyText(frequency, Now.DatePart(), Formats);
        EXPECT_TRUE(IsDueToday(parsed.Code, parsed.Date, next->DatePart())) << frequency;
        for (TDateTime day = Now.DatePart().AddDays(1); day < next->DatePart(); day = day.AddDays(1))
            EXPECT_FALSE(IsDueToday(parsed.Code, parsed.Date, day)) << frequency;
        EXPECT_EQ(next->Hour, 10);
        EXPECT_EQ(next->Minute, 15);
    }
}

TEST(NextMailing, TheFirstMailingOfAllRowsCountsItsRows) {
    const std::vector<TScheduleRow> rows = {{"a@example.test", "09 : 00", "Daily", "BCC"},
                                            {"b@example.test", "08 : 00", "Each Friday", "CC"},
                                            {"c@example.test", "09 : 00", "Workdays only", "CC"},
                                            {"d@example.test", "08 : 00", "Only at date 01.12.2026", "BCC"}};
    const std::optional<TNextMailings> next = NextMailingOfRows(rows, Now, Formats);
    ASSERT_TRUE(next.has_value());
    EXPECT_EQ(next->When, At(2026, 12, 10, 9, 0));
    EXPECT_EQ(next->Rows, 2);
    EXPECT_FALSE(NextMailingOfRows({rows[3]}, Now, Formats).has_value());
}

} // namespace
} // namespace corvalet
