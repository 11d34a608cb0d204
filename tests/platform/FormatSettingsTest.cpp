#include "platform/FormatSettings.h"

#include <gtest/gtest.h>

namespace corvalet {
namespace {

TEST(FormatSettingsTest, PatternsFromTheLocaleFormats) {
    struct Case {
        const char* format;
        const char* pattern;
    };
    const Case cases[] = {
        {"%m/%d/%y", "MM/dd/yyyy"}, {"%d.%m.%Y", "dd.MM.yyyy"}, {"%Y-%m-%d", "yyyy-MM-dd"},
        {"%H:%M:%S", "HH:mm:ss"},   {"%I:%M:%S %p", "hh:mm:ss AP"}, {"%T", "HH:mm:ss"},
        {"%e/%m/%y", "d/MM/yyyy"},  {"%Y年%m月%d日", "yyyy年MM月dd日"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TFormatSettings::PatternFromStrftime(c.format), c.pattern) << c.format;
}

TEST(FormatSettingsTest, DateAndTimeLeaveTheTimeOutAtExactMidnight) {
    const TFormatSettings us("MM/dd/yyyy", "HH:mm:ss");
    EXPECT_EQ(us.FormatDateTime({2026, 12, 8, 14, 3, 7}), "12/08/2026 14:03:07");
    EXPECT_EQ(us.FormatDateTime({2026, 12, 8, 0, 0, 0, 0}), "12/08/2026");
    EXPECT_EQ(us.FormatDateTime({2026, 12, 8, 0, 0, 0, 1}), "12/08/2026 00:00:00");

    const TFormatSettings dutch("d-M-yyyy", "h:mm:ss AP");
    EXPECT_EQ(dutch.FormatDateTime({2026, 12, 8, 14, 3, 7}), "8-12-2026 2:03:07 PM");
    EXPECT_EQ(dutch.FormatTime({2026, 12, 8, 0, 30, 0}), "12:30:00 AM");
}

TEST(FormatSettingsTest, ParseDateReadsThePatternOrder) {
    struct Case {
        const char* pattern;
        const char* text;
        TDateTime date;
    };
    const Case cases[] = {
        {"MM/dd/yyyy", "12/8/2026", {2026, 12, 8}},
        {"MM/dd/yyyy", " 02/29/2024 ", {2024, 2, 29}},
        {"d-M-yyyy", "8-12-2026", {2026, 12, 8}},
        {"yyyy-MM-dd", "2026-12-08", {2026, 12, 8}},
        {"dd.MM.yyyy", "08.12.26", {2026, 12, 8}},
        {"yyyy. MM. dd.", "2026. 12. 08.", {2026, 12, 8}},
        {"yyyy. MM. dd.", " 2026. 12. 8. ", {2026, 12, 8}},
        {"yyyy'\xe5\xb9\xb4'MM'\xe6\x9c\x88'dd'\xe6\x97\xa5'", "2026\xe5\xb9\xb4" "12\xe6\x9c\x88" "08\xe6\x97\xa5", {2026, 12, 8}},
        {"yyyyMMdd", "20261208", {2026, 12, 8}},
        {"dd'de'MM'de'yyyy", "08de12de2026", {2026, 12, 8}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TFormatSettings(c.pattern, "HH:mm:ss").ParseDate(c.text), c.date) << c.text;
}

TEST(FormatSettingsTest, ParseDateRefusesWhatIsNoDate) {
    struct Case {
        const char* pattern;
        const char* text;
    };
    const Case cases[] = {
        {"MM/dd/yyyy", ""},
        {"MM/dd/yyyy", "12/8"},
        {"MM/dd/yyyy", "13/1/2026"},
        {"MM/dd/yyyy", "2/30/2026"},
        {"MM/dd/yyyy", "12/8/2026/1"},
        {"MM/dd/yyyy", "x12/8/2026"},
        {"MM/dd/yyyy", "1/1/99999999"},
        {"MM/dd/yyyy", "012/8/2026"},
        // Another locale's separators: read by position they would give another date.
        {"dd.MM.yyyy", "12/09/2026"},
        {"MM/dd/yyyy", "12.09.2026"},
        {"MM/dd/yyyy", "12-09-2026"},
        {"yyyy-MM-dd", "2026/12/09"},
        {"dd.MM.yyyy", "12.09/2026"},
        {"d-M-yyyy", "8 - 12 - 2026"},
        {"yyyy. MM. dd.", "2026.12.08."},
        {"yyyyMMdd", "2026128"},
    };
    for (const auto& c : cases) {
        try {
            TFormatSettings(c.pattern, "HH:mm:ss").ParseDate(c.text);
            ADD_FAILURE() << c.pattern << " accepted " << c.text;
        } catch (const EConvertError& error) {
            EXPECT_EQ(std::string(error.what()), "'" + std::string(c.text) + "' is not a valid date");
        }
    }
}

TEST(FormatSettingsTest, FormatAndParseRoundTrip) {
    for (const char* pattern : {"MM/dd/yyyy", "d-M-yyyy", "yyyy-MM-dd", "dd.MM.yyyy", "yyyy. MM. dd.", "yyyyMMdd",
                                "dd/MM/yy"}) {
        const TFormatSettings settings(pattern, "HH:mm:ss");
        const TDateTime date{2031, 1, 5};
        EXPECT_EQ(settings.ParseDate(settings.FormatDate(date)), date) << pattern;
    }
}

} // namespace
} // namespace corvalet
