#pragma once

#include <compare>
#include <cstdint>

namespace corvalet {

// A local calendar date and time of day, as the clock reads it and the user's formats show it.
struct TDateTime {
    int Year = 1899;
    int Month = 12; // 1..12
    int Day = 30;   // 1..31
    int Hour = 0;
    int Minute = 0;
    int Second = 0;
    int Millisecond = 0;

    auto operator<=>(const TDateTime&) const = default;

    bool IsMidnight() const { return Hour == 0 && Minute == 0 && Second == 0 && Millisecond == 0; }
    TDateTime DatePart() const { return TDateTime{Year, Month, Day, 0, 0, 0, 0}; }

    // 0 = Sunday .. 6 = Saturday.
    int DayOfWeek() const;
    // Days since 1970-01-01 (negative before); time of day ignored.
    std::int64_t DayNumber() const;
    static TDateTime FromDayNumber(std::int64_t days);
    TDateTime AddDays(std::int64_t days) const;
    TDateTime AddMinutes(std::int64_t minutes) const;

    static bool IsLeapYear(int year);
    static int DaysInMonth(int year, int month);
    // True when the date exists in the calendar and the time of day is in range.
    bool IsValid() const;
};

} // namespace corvalet
