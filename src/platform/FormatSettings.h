#pragma once

#include "platform/DateTime.h"

#include <stdexcept>
#include <string>

namespace corvalet {

// Raised when a text does not read as a date in the user's short date format.
class EConvertError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The user's short date and long time formats.
//
// Patterns use d, dd (day), M, MM (month), yy, yyyy (year), H, HH (hour 0-23), h, hh (hour 1-12),
// m, mm (minute), s, ss (second), AP or ap (AM/PM marker); text in single quotes and every other
// character stand for themselves.
class TFormatSettings {
public:
    TFormatSettings() = default;
    TFormatSettings(std::string shortDatePattern, std::string longTimePattern);

    // The formats of the user's LC_TIME locale; the C locale gives "MM/dd/yyyy" and "HH:mm:ss".
    static TFormatSettings FromLocale();
    // Turns a strftime format ("%m/%d/%y") into a pattern ("MM/dd/yyyy"). Two-digit years become
    // four-digit ones so that stored dates read back unambiguously.
    static std::string PatternFromStrftime(const std::string& format);

    const std::string& ShortDatePattern() const { return ShortDate; }
    const std::string& LongTimePattern() const { return LongTime; }

    std::string FormatDate(const TDateTime& value) const;
    std::string FormatTime(const TDateTime& value) const;
    // Short date, a space and the long time; the time is left out at exactly midnight.
    std::string FormatDateTime(const TDateTime& value) const;

    // Reads a date written in the short date format: its day, month and year numbers (one or two
    // digits, the year up to four) in the pattern's order, separated by exactly the pattern's own
    // separators; blanks around the whole are ignored. Two-digit years fall in 2000..2099.
    // Throws EConvertError "'<text>' is not a valid date".
    TDateTime ParseDate(const std::string& text) const;

    static std::string Format(const std::string& pattern, const TDateTime& value);

private:
    std::string ShortDate = "MM/dd/yyyy";
    std::string LongTime = "HH:mm:ss";
};

} // namespace corvalet
