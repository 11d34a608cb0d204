#include "platform/FormatSettings.h"

#include <cctype>
#include <clocale>
#include <langinfo.h>
#include <locale.h>
#include <string_view>
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

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

std::string_view TrimSpaces(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

// One piece of a date pattern: a day, month or year field with the length of its run, or the
// text that stands between fields (quoted text included, without its quotes).
struct TDatePart {
    char Field = 0; // 'd', 'M', 'y', or 0 for text
    std::size_t Run = 0;
    std::string Literal;
};

std::vector<TDatePart> DateParts(const std::string& pattern) {
    std::vector<TDatePart> parts;
    const auto literal = [&parts]() -> std::string& {
        if (parts.empty() || parts.back().Field != 0)
            parts.push_back(TDatePart{});
        return parts.back().Literal;
    };
    for (std::size_t i = 0; i < pattern.size();) {
        const char c = pattern[i];
        if (c == '\'') {
            std::size_t end = i + 1;
            for (; end < pattern.size(); ++end) {
                if (pattern[end] != '\'')
                    literal() += pattern[end];
                else if (end + 1 < pattern.size() && pattern[end + 1] == '\'')
                    literal() += pattern[++end];
                else
                    break;
            }
            i = end + 1;
            continue;
        }
        const std::size_t run = RunLength(pattern, i);
        if (c == 'd' || c == 'M' || c == 'y')
            parts.push_back(TDatePart{c, run, {}});
        else
            literal().append(run, c);
        i += run;
    }
    return parts;
}

// A pattern the reader can follow names each of day, month and year once.
bool NamesDayMonthAndYear(const std::vector<TDatePart>& parts) {
    std::string fields;
    for (const TDatePart& part : parts)
        if (part.Field != 0)
            fields += part.Field;
    return fields.size() == 3 && fields.find('d') != std::string::npos &&
           fields.find('M') != std::string::npos && fields.find('y') != std::string::npos;
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

    std::vector<TDatePart> parts = DateParts(ShortDate);
    if (!NamesDayMonthAndYear(parts))
        parts = DateParts("MM/dd/yyyy");

    // The text is read against the pattern itself: its numbers where the pattern has its fields,
    // and the pattern's own separators between them. A date written under another locale's
    // separators ("12/09/2026" where the format is "dd.MM.yyyy") must not read as some other date.
    const std::string_view whole = TrimSpaces(text);
    std::size_t at = 0;
    TDateTime result;
    for (std::size_t k = 0; k < parts.size(); ++k) {
        const TDatePart& part = parts[k];
        if (part.Field == 0) {
            // Blanks before the first and after the last separator belong to no one.
            std::string_view literal = part.Literal;
            if (k == 0)
                literal = TrimSpaces(literal);
            if (k + 1 == parts.size())
                literal = TrimSpaces(literal);
            if (whole.substr(at, literal.size()) != literal)
                throw fail();
            at += literal.size();
            continue;
        }
        // Two fields side by side ("yyyyMMdd") can only be told apart by their widths.
        const bool fixedWidth =
            (k + 1 < parts.size() && parts[k + 1].Field != 0) || (k > 0 && parts[k - 1].Field != 0);
        const std::size_t widest = part.Field == 'y' ? 4 : 2;
        const std::size_t width = part.Field == 'y' && part.Run < 3 ? 2 : widest;
        std::size_t end = at;
        while (end < whole.size() && end - at < widest && IsDigit(whole[end]))
            ++end;
        const std::size_t digits = end - at;
        if (digits == 0 || (fixedWidth && digits != width))
            throw fail();
        int value = 0;
        for (std::size_t i = at; i < end; ++i)
            value = value * 10 + (whole[i] - '0');
        at = end;
        switch (part.Field) {
        case 'd': result.Day = value; break;
        case 'M': result.Month = value; break;
        default: result.Year = digits <= 2 ? 2000 + value : value; break;
        }
    }
    if (at != whole.size())
        throw fail();
    result.Hour = result.Minute = result.Second = result.Millisecond = 0;
    if (!result.IsValid())
        throw fail();
    return result;
}

} // namespace corvalet
