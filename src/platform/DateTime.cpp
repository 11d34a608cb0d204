#include "platform/DateTime.h"

namespace corvalet {

namespace {

// Days since 1970-01-01 of a date in the proleptic Gregorian calendar, counted in 400-year eras.
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

} // namespace

bool TDateTime::IsLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int TDateTime::DaysInMonth(int year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12)
        return 0;
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

bool TDateTime::IsValid() const {
    return Year >= 1 && Year <= 9999 && Month >= 1 && Month <= 12 && Day >= 1 &&
           Day <= DaysInMonth(Year, Month) && Hour >= 0 && Hour < 24 && Minute >= 0 && Minute < 60 &&
           Second >= 0 && Second < 60 && Millisecond >= 0 && Millisecond < 1000;
}

std::int64_t TDateTime::DayNumber() const {
    return DaysFromCivil(Year, static_cast<unsigned>(Month), static_cast<unsigned>(Day));
}

TDateTime TDateTime::FromDayNumber(std::int64_t z) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t y = static_cast<std::int64_t>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned d = doy - (153 * mp + 2) / 5 + 1;
    const unsigned m = mp < 10 ? mp + 3 : mp - 9;
    TDateTime result;
    result.Year = static_cast<int>(y + (m <= 2));
    result.Month = static_cast<int>(m);
    result.Day = static_cast<int>(d);
    return result;
}

int TDateTime::DayOfWeek() const {
    const std::int64_t days = DayNumber(); // 1970-01-01 was a Thursday (4)
    return static_cast<int>(((days % 7) + 7 + 4) % 7);
}

TDateTime TDateTime::AddDays(std::int64_t days) const {
    TDateTime result = FromDayNumber(DayNumber() + days);
    result.Hour = Hour;
    result.Minute = Minute;
    result.Second = Second;
    result.Millisecond = Millisecond;
    return result;
}

TDateTime TDateTime::AddMinutes(std::int64_t minutes) const {
    std::int64_t total = static_cast<std::int64_t>(Hour) * 60 + Minute + minutes;
    std::int64_t dayShift = total >= 0 ? total / 1440 : -((-total + 1439) / 1440);
    total -= dayShift * 1440;
    TDateTime result = AddDays(dayShift);
    result.Hour = static_cast<int>(total / 60);
    result.Minute = static_cast<int>(total % 60);
    return result;
}

} // namespace corvalet
