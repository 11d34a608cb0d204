#include "platform/DateTime.h"

#include <gtest/gtest.h>

namespace corvalet {
namespace {

TEST(DateTimeTest, DayOfWeekAndCalendarArithmetic) {
    EXPECT_EQ(TDateTime({2026, 12, 9}).DayOfWeek(), 3); // a Wednesday
    EXPECT_EQ(TDateTime({1970, 1, 1}).DayOfWeek(), 4);
    EXPECT_EQ(TDateTime({2024, 2, 28}).AddDays(1), TDateTime({2024, 2, 29}));
    EXPECT_EQ(TDateTime({2023, 2, 28}).AddDays(1), TDateTime({2023, 3, 1}));
    EXPECT_EQ(TDateTime({2026, 12, 31, 23, 59}).AddMinutes(1), TDateTime({2027, 1, 1, 0, 0}));
    EXPECT_EQ(TDateTime({2027, 1, 1, 0, 0}).AddMinutes(-1), TDateTime({2026, 12, 31, 23, 59}));
    EXPECT_EQ(TDateTime::FromDayNumber(TDateTime({1600, 3, 1}).DayNumber()), TDateTime({1600, 3, 1}));
}

TEST(DateTimeTest, ValidityFollowsTheCalendar) {
    EXPECT_TRUE(TDateTime({2024, 2, 29}).IsValid());
    EXPECT_FALSE(TDateTime({2100, 2, 29}).IsValid());
    EXPECT_TRUE(TDateTime({2000, 2, 29}).IsValid());
    EXPECT_FALSE(TDateTime({2026, 4, 31}).IsValid());
    EXPECT_FALSE(TDateTime({2026, 13, 1}).IsValid());
    EXPECT_FALSE(TDateTime({2026, 1, 1, 24, 0}).IsValid());
}

} // namespace
} // namespace corvalet
