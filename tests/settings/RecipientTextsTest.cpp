#include "settings/RecipientTexts.h"

#include <gtest/gtest.h>

namespace corvalet {
namespace {

const TFormatSettings Us("MM/dd/yyyy", "HH:mm:ss");
const TFormatSettings Dutch("d-M-yyyy", "HH:mm:ss");
const TDateTime Today{2026, 12, 9};

TEST(RecipientTextsTest, TimeTextHasLeadingZerosAndSpacedColon) {
    struct Case {
        int hour, minute;
        const char* text;
    };
    const Case cases[] = {{9, 5, "09 : 05"},  {14, 30, "14 : 30"}, {0, 0, "00 : 00"},
                          {10, 9, "10 : 09"}, {99, 0, "99 : 00"},  {-1, 7, "0-1 : 07"}};
    for (const auto& c : cases)
        EXPECT_EQ(FormatTimeText(c.hour, c.minute), c.text) << c.hour << ":" << c.minute;
}

TEST(RecipientTextsTest, ParseTimeTextReadsBothPartsOrMarksTheBadOne) {
    struct Case {
        const char* text;
        bool ok;
        int hour, minute;
    };
    const Case cases[] = {
        {"09 : 05", true, 9, 5},           {"14:30", true, 14, 30},   {" 7 :\t8 ", true, 7, 8},
        {"99 : 00", true, 99, 0},          {"ab : 05", false, -1, 5}, {"09 : ", false, 9, -1},
        {"9 : 5 : 1", false, 9, -1},       {"0905", false, -1, -1},   {"", false, -1, -1},
        {"99999999999 : 1", false, -1, 1},
    };
    for (const auto& c : cases) {
        TTimeText time{42, 42};
        EXPECT_EQ(ParseTimeText(c.text, time), c.ok) << c.text;
        EXPECT_EQ(time.Hour, c.hour) << c.text;
        EXPECT_EQ(time.Minute, c.minute) << c.text;
    }
}

TEST(RecipientTextsTest, FrequencyTextsRoundTripUnderOneDateFormat) {
    const TDateTime date{2026, 12, 8};
    for (int code = 0; code < static_cast<int>(FrequencyTexts.size()); ++code) {
        const std::string text = FormatFrequencyText(code, date, Dutch);
        const TFrequency parsed = ParseFrequencyText(text, Today, Dutch);
        EXPECT_EQ(parsed.Code, code) << text;
        EXPECT_EQ(parsed.Date, code >= FirstDatedFrequency ? date : Today) << text;
    }
    EXPECT_EQ(FormatFrequencyText(9, date, Us), "Weekly starting from 12/08/2026");
    EXPECT_EQ(FormatFrequencyText(11, date, Dutch), "Only at date 8-12-2026");
    EXPECT_EQ(FormatFrequencyText(3, date, Us), "Each Monday");
    EXPECT_EQ(FormatFrequencyText(12, date, Us), "");
    EXPECT_EQ(FormatFrequencyText(-1, date, Us), "");
}

TEST(RecipientTextsTest, ParseFrequencyTextTakesTheFirstTableTextFound) {
    struct Case {
        const char* text;
        int code;
        TDateTime date;
    };
    const Case cases[] = {
        // Found anywhere in the text, case counting.
        {"  Each Friday, please", 7, Today},
        {"each friday", 0, Today},
        {"", 0, Today},
        {"Monthly starting from 1/31/2027", 10, {2027, 1, 31}},
        // "Daily" comes first in the table and wins over a later text.
        {"Daily Only at date 1/1/2027", 0, Today},
        {"Only at date 2/3/2027", 11, {2027, 2, 3}},
    };
    for (const auto& c : cases) {
        const TFrequency parsed = ParseFrequencyText(c.text, Today, Us);
        EXPECT_EQ(parsed.Code, c.code) << c.text;
        EXPECT_EQ(parsed.Date, c.date) << c.text;
    }
}

TEST(RecipientTextsTest, DatedFrequencyWrittenUnderAnotherFormatFailsWithTheDatePart) {
    const std::string text = FormatFrequencyText(9, {2026, 12, 8}, Dutch); // "... 8-12-2026"
    try {
        ParseFrequencyText(text, Today, TFormatSettings("yyyy-MM-dd", "HH:mm:ss"));
        ADD_FAILURE() << "read " << text;
    } catch (const EConvertError& error) {
        EXPECT_STREQ(error.what(), "'8-12-2026' is not a valid date");
    }
    EXPECT_THROW(ParseFrequencyText("Only at date ", Today, Us), EConvertError);
}

TEST(RecipientTextsTest, DistributionTextsAreExactAndCaseCounts) {
    EXPECT_EQ(ParseDistributionText("BCC"), 0);
    EXPECT_EQ(ParseDistributionText("CC"), 1);
    for (const char* text : {"bcc", "cc", " BCC", "", "To"})
        EXPECT_FALSE(ParseDistributionText(text).has_value()) << text;
}

TEST(RecipientTextsTest, TimeOutTextsForTheTenSteps) {
    EXPECT_EQ(TimeOutText(1), "30 seconds");
    EXPECT_EQ(TimeOutText(3), "1 minute and 30 seconds");
    EXPECT_EQ(TimeOutText(10), "5 minutes");
    EXPECT_EQ(TimeOutText(0), "");
    EXPECT_EQ(TimeOutText(11), "");
}

} // namespace
} // namespace corvalet
