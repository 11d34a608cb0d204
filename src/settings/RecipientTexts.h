#pragma once

#include "platform/DateTime.h"
#include "platform/FormatSettings.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace corvalet {

// The texts a recipient row is stored and shown with, and the code tables of the settings.
// A code is the position of its text in its table.

inline constexpr std::array<std::string_view, 12> FrequencyTexts = {
    "Daily",
    "Workdays only",
    "Each Sunday",
    "Each Monday",
    "Each Tuesday",
    "Each Wednesday",
    "Each Thursday",
    "Each Friday",
    "Each Saturday",
    "Weekly starting from ...",
    "Monthly starting from ...",
    "Only at date ...",
};
// The frequency codes the schedule rules tell apart; the weekdays run from Each Sunday (2) to Each
// Saturday (8).
inline constexpr int FrequencyDaily = 0;
inline constexpr int FrequencyWorkdays = 1;
inline constexpr int FrequencyEachSunday = 2;
inline constexpr int FrequencyEachSaturday = 8;
inline constexpr int FrequencyWeekly = 9;
inline constexpr int FrequencyMonthly = 10;
inline constexpr int FrequencyOnlyAtDate = 11;
// Frequencies from this code on carry a date in place of their "...".
inline constexpr int FirstDatedFrequency = FrequencyWeekly;
inline constexpr std::string_view FrequencyDatePlaceholder = "...";

inline constexpr std::array<std::string_view, 2> DistributionTexts = {"BCC", "CC"};
inline constexpr int DistributionBcc = 0;
inline constexpr int DistributionCc = 1;

inline constexpr std::array<std::string_view, 5> PriorityTexts = {"Highest", "High", "Normal", "Low",
                                                                  "Lowest"};
inline constexpr std::array<std::string_view, 2> ContentTypeTexts = {"HTML", "Plain text"};
// The body part's content type for each content-type code.
inline constexpr std::array<std::string_view, 2> ContentTypeMimeTypes = {"text/html", "text/plain"};
inline constexpr std::array<std::string_view, 3> LogMechanismTexts = {"Log disabled", "Log errors only",
                                                                      "Log everything (errors + messages)"};

// The connect time-out is a step of 30 seconds, 1 to 10.
inline constexpr int TimeOutStepSeconds = 30;
inline constexpr int MinTimeOutStep = 1;
inline constexpr int MaxTimeOutStep = 10;
// "30 seconds" .. "5 minutes"; empty for a step outside 1..10.
std::string_view TimeOutText(int step);

// "09 : 05": hour, " : ", minute, each with a leading "0" when 9 or less.
std::string FormatTimeText(int hour, int minute);

struct TTimeText {
    int Hour = -1;
    int Minute = -1;
};
// Reads a time text: the parts before and after the first ":", blanks trimmed, as decimal integers.
// A part that does not read stays -1 and the result is false; a text without ":" gives false and
// leaves both at -1.
bool ParseTimeText(const std::string& text, TTimeText& time);

struct TFrequency {
    int Code = 0;
    TDateTime Date;
};
// Reads a frequency text: the first table text that, without its "...", occurs in `text` gives the
// code (none gives 0, "Daily"); for the dated frequencies the rest of the text is read as a date in
// the short date format, which throws EConvertError "'%s' is not a valid date" when it does not read.
// Frequencies without a date give `today`.
TFrequency ParseFrequencyText(const std::string& text, const TDateTime& today, const TFormatSettings& format);

// The code alone of a frequency text, as ParseFrequencyText finds it; the date part is not read, so
// this never throws.
int FrequencyCodeOfText(const std::string& text);

// The stored frequency text: the table text, with "..." replaced by `date` in the short date format
// for the dated frequencies. Empty for a code outside the table.
std::string FormatFrequencyText(int code, const TDateTime& date, const TFormatSettings& format);

// The code of a distribution text ("BCC" 0, "CC" 1), case counting; nothing for any other text.
std::optional<int> ParseDistributionText(const std::string& text);

} // namespace corvalet
