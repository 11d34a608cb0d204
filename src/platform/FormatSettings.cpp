#include "platform/FormatSettings.h"

#include <cctype>
#include <clocale>
#include <langinfo.h>
#include <locale.h>
#include <vector>

namespace corvalet {

namespace {

std::string TwoDigits(int value) {
    std::string text = std::to_string(value);
    return text.size() < 2 ? "0" + text : text;
}

std::string FourDigits(int value) {
    std::string text = std::to_string(value);
    while (text.size() < 4)
        text.insert(text.begin(), '0');
    return text;
}

// Length of the run of `c` starting at `pos`.
std::size_t RunLength(const std::string& pattern, std::size_t pos) {
    std::size_t end = pos;
    while (end < pattern.size() && pattern[end] == pattern[pos])
        ++end;
    return end - pos;
}

} // namespace

TFormatSettings::TFormatSettings(std::string shortDatePattern, std::string longTimePattern)
    : ShortDate(std::move(shortDatePattern)), LongTime(std::move(longTimePattern)) {}

std::string TFormatSettings::PatternFromStrftime(const std::string& format) {
    std::string pattern;
    for (std::size_t i = 0; i < format.size(); ++i) {
        const char c = format[i];
        if (c != '%' || i + 1 == format.size()) {
            if (std::isalpha(static_cast<unsigned char>(c)) || c == '\'')
                pattern += std::string("'") + (c == '\'' ? "''" : std::string(1, c)) + "'";
            else
                pattern += c;
            continue;
        }
        char conversion = format[++i];
        if ((conversion == 'E' || conversion == 'O') && i + 1 < format.size())
            conversion = format[++i];
        switch (conversion) {
        case 'd': pattern += "dd"; break;
        case 'e': pattern += "d"; break;
        case 'm': pattern += "MM"; break;
        case 'y':
        case 'Y':
        case 'G':
        case 'C': pattern += "yyyy"; break;
        case 'H': pattern += "HH"; break;
        case 'k': pattern += "H"; break;
        case 'I': pattern += "hh"; break;
        case 'l': pattern += "h"; break;
        case 'M': pattern += "mm"; break;
        case 'S': pattern += "ss"; break;
        case 'p':
        case 'P': pattern += "AP"; break;
        case 'D': pattern += "MM/dd/yyyy"; break;
        case 'F': pattern += "yyyy-MM-dd"; break;
        case 'T': pattern += "HH:mm:ss"; break;
        case 'R': pattern += "HH:mm"; break;
        case 'r': pattern += "hh:mm:ss AP"; break;
        case 'b':
        case 'B':
        case 'h': pattern += "MM"; break;
        case 'n': pattern += ' '; break;
        case 't': pattern += ' '; break;
        case '%': pattern += '%'; break;
        default: break; // weekday names and the like carry nothing a date reader needs
        }
    }
    return pattern;
}

TFormatSettings TFormatSettings::FromLocale() {
    // Read LC_TIME from the environment without disturbing the program's own C locale.
    locale_t loc = newlocale(LC_TIME_MASK, "", static_cast<locale_t>(0));
    if (loc == static_cast<locale_t>(0))
        return TFormatSettings();
    std::string dateFormat = nl_langinfo_l(D_FMT, loc);
    std::string timeFormat = nl_langinfo_l(T_FMT, loc);
    freelocale(loc);
    std::string datePattern = PatternFromStrftime(dateFormat);
    std::string timePattern = PatternFromStrftime(timeFormat);
    TFormatSettings result;
    if (!datePattern.empty())
        result.ShortDate = datePattern;
    if (!timePattern.empty())
        result.LongTime = timePattern;
    return result;
}

std::string TFormatSettings::Format(const std::string& pattern, const TDateTime& value) {
    std::string out;
    for (std::size_t i = 0; i < pattern.size();) {
        const char c = pattern[i];
        if (c == '\'') {
            std::size_t end = i + 1;
            while (end < pattern.size()) {
                if (pattern[end] == '\'' && end + 1 < pattern.size() && pattern[end + 1] == '\'') {
                    out += '\'';
                    end += 2;
                    continue;
                }
                if (pattern[end] == '\'')
                    break;
                out += pattern[end++];
            }
            i = end + 1;
            continue;
        }
        if ((c == 'A' || c == 'a') && i + 1 < pattern.size() && (pattern[i + 1] == 'P' || pattern[i + 1] == 'p')) {
            const bool pm = value.Hour >= 12;
            out += c == 'A' ? (pm ? "PM" : "AM") : (pm ? "pm" : "am");
            i += 2;
            continue;
        }
        const std::size_t run = RunLength(pattern, i);
        const int hour12 = value.Hour % 12 == 0 ? 12 : value.Hour % 12;
        switch (c) {
        case 'd': out += run >= 2 ? TwoDigits(value.Day) : std::to_string(value.Day); break;
        case 'M': out += run >= 2 ? TwoDigits(value.Month) : std::to_string(value.Month); break;
        case 'y': out += run >= 3 ? FourDigits(value.Year) : TwoDigits(value.Year % 100); break;
        case 'H': out += run >= 2 ? TwoDigits(value.Hour) : std::to_string(value.Hour); break;
        case 'h': out += run >= 2 ? TwoDigits(hour12) : std::to_string(hour12); break;
        case 'm': out += run >= 2 ? TwoDigits(value.Minute) : std::to_string(value.Minute); break;
        case 's': out += run >= 2 ? TwoDigits(value.Second) : std::to_string(value.Second); break;
        default: out.append(run, c); break;
        }
        i += run;
    }
    return out;
}

std::string TFormatSettings::FormatDate(const TDateTime& value) const { return Format(ShortDate, value); }

std::string TFormatSettings::FormatTime(const TDateTime& value) const { return Format(LongTime, value); }

std::string TFormatSettings::FormatDateTime(const TDateTime& value) const {
    if (value.IsMidnight())
        return FormatDate(value);
    return FormatDate(value) + " " + FormatTime(value);
}

TDateTime TFormatSettings::ParseDate(const std::string& text) const {
    const auto fail = [&]() { return EConvertError("'" + text + "' is not a valid date"); };

    // The order in which the pattern names day, month and year.
    std::string order;
    for (std::size_t i = 0; i < ShortDate.size(); ++i) {
        const char c = ShortDate[i];
        if (c == '\'') {
            const std::size_t close = ShortDate.find('\'', i + 1);
            if (close == std::string::npos)
                break;
            i = close;
            continue;
        }
        if ((c == 'd' || c == 'M' || c == 'y') && order.find(c) == std::string::npos)
            order += c;
    }
    if (order.size() != 3)
        order = "Mdy";

    std::vector<long> numbers;
    std::vector<std::size_t> widths;
    for (std::size_t i = 0; i < text.size();) {
        if (!std::isdigit(static_cast<unsigned char>(text[i]))) {
            if (std::isalpha(static_cast<unsigned char>(text[i])))
                throw fail();
            ++i;
            continue;
        }
        std::size_t end = i;
        long value = 0;
        while (end < text.size() && std::isdigit(static_cast<unsigned char>(text[end]))) {
            if (value > 99999)
                throw fail();
            value = value * 10 + (text[end] - '0');
            ++end;
        }
        numbers.push_back(value);
        widths.push_back(end - i);
        i = end;
    }
    if (numbers.size() != 3)
        throw fail();

    TDateTime result;
    for (std::size_t k = 0; k < 3; ++k) {
        const int value = static_cast<int>(numbers[k]);
        switch (order[k]) {
        case 'd': result.Day = value; break;
        case 'M': result.Month = value; break;
        default: result.Year = widths[k] <= 2 ? 2000 + value : value; break;
        }
    }
    result.Hour = result.Minute = result.Second = result.Millisecond = 0;
    if (!result.IsValid())
        throw fail();
    return result;
}

} // namespace corvalet
