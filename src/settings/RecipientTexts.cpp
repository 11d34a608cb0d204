#include "settings/RecipientTexts.h"

#include "settings/TextValues.h"

namespace corvalet {

namespace {

constexpr std::array<std::string_view, 10> TimeOutTexts = {
    "30 seconds",
    "1 minute",
    "1 minute and 30 seconds",
    "2 minutes",
    "2 minutes and 30 seconds",
    "3 minutes",
    "3 minutes and 30 seconds",
    "4 minutes",
    "4 minutes and 30 seconds",
    "5 minutes",
};

// "%s%1d": a "0" in front of a number of 9 or less (so -1 gives "0-1").
std::string TwoDigits(int number) {
    std::string text(number <= 9 ? 1 : 0, '0');
    text += std::to_string(number);
    return text;
}

// The table text as it is searched for in a stored text: "Weekly starting from ".
std::string WithoutPlaceholder(std::string_view text) {
    std::string result(text);
    const std::size_t at = result.find(FrequencyDatePlaceholder);
    if (at != std::string::npos)
        result.erase(at, FrequencyDatePlaceholder.size());
    return result;
}

// A part that does not read is -1.
bool ReadTimePart(std::string_view part, int& value) {
    const auto number = ReadInteger(TrimBlanks(part));
    value = number.value_or(-1);
    return number.has_value();
}

} // namespace

std::string_view TimeOutText(int step) {
    if (step < MinTimeOutStep || step > MaxTimeOutStep)
        return {};
    return TimeOutTexts[static_cast<std::size_t>(step - MinTimeOutStep)];
}

std::string FormatTimeText(int hour, int minute) {
    return TwoDigits(hour) + " : " + TwoDigits(minute);
}

bool ParseTimeText(const std::string& text, TTimeText& time) {
    time = TTimeText{};
    const std::size_t colon = text.find(':');
    if (colon == std::string::npos)
        return false;
    const std::string_view whole(text);
    const bool hourRead = ReadTimePart(whole.substr(0, colon), time.Hour);
    const bool minuteRead = ReadTimePart(whole.substr(colon + 1), time.Minute);
    return hourRead && minuteRead;
}

TFrequency ParseFrequencyText(const std::string& text, const TDateTime& today,
                              const TFormatSettings& format) {
    TFrequency result{FrequencyCodeOfText(text), today};
    if (result.Code >= FirstDatedFrequency) {
        const std::string found = WithoutPlaceholder(FrequencyTexts[static_cast<std::size_t>(result.Code)]);
        std::string rest = text;
        rest.erase(FindNoCase(rest, found), found.size());
        result.Date = format.ParseDate(rest);
    }
    return result;
}

int FrequencyCodeOfText(const std::string& text) {
    for (std::size_t code = 0; code < FrequencyTexts.size(); ++code)
        if (text.find(WithoutPlaceholder(FrequencyTexts[code])) != std::string::npos)
            return static_cast<int>(code);
    return FrequencyDaily;
}

std::string FormatFrequencyText(int code, const TDateTime& date, const TFormatSettings& format) {
    if (code < 0 || code >= static_cast<int>(FrequencyTexts.size()))
        return {};
    std::string text(FrequencyTexts[static_cast<std::size_t>(code)]);
    if (code >= FirstDatedFrequency)
        text.replace(text.find(FrequencyDatePlaceholder), FrequencyDatePlaceholder.size(),
                     format.FormatDate(date));
    return text;
}

std::optional<int> ParseDistributionText(const std::string& text) {
    for (std::size_t code = 0; code < DistributionTexts.size(); ++code)
        if (text == DistributionTexts[code])
            return static_cast<int>(code);
    return std::nullopt;
}

} // namespace corvalet
