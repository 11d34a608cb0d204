#include "mime/HeaderList.h"

#include <gtest/gtest.h>

namespace corvalet {
namespace {

using Lines = std::vector<std::string>;

Lines LinesAfterSetting(const std::string& name, const std::string& value) {
    TNetHeaderList list;
    list.SetHeaderValue(name, value);
    return list.AllLines();
}

TEST(HeaderListTest, LongLinesFoldAtTheLastBreakBeforeColumn78) {
    struct Case {
        const char* what;
        std::string name;
        std::string value;
        Lines lines;
    };
    const Case cases[] = {
        {"twenty four-letter words and one of three: 73 characters, then the rest",
         "Subject",
         "alfa bark cove dune echo fern gale hill iris jade kelp lime moss nest opal pine quay reef sand "
         "tide owl",
         {"Subject: alfa bark cove dune echo fern gale hill iris jade kelp lime moss",
          " nest opal pine quay reef sand tide owl"}},
        {"the 82-character multipart line: its only break lies before the quoted boundary",
         "Content-Type",
         "multipart/alternative; boundary=\"=_MoreStuf_2zzz1234sadvnqw3nerasdf\"",
         {"Content-Type: multipart/alternative; boundary=\"=_MoreStuf_2zzz1234sadvnqw3nerasdf\""}},
        {"an address list folds after a comma and its space, the comma ending the first line",
         "To",
         "alice@example.test, bob@example.test, carol@example.test, dave@example.test, eve@example.test",
         {"To: alice@example.test, bob@example.test, carol@example.test,",
          " dave@example.test, eve@example.test"}},
        {"a comma alone is a break point",
         "Newsgroups",
         "local.news.test.1,local.news.test.2,local.news.test.3,local.news.test.4,local.news.test.5",
         {"Newsgroups: local.news.test.1,local.news.test.2,local.news.test.3,",
          " local.news.test.4,local.news.test.5"}},
        {"a quoted stretch is never broken, however long",
         "X-Test",
         "value \"q q q q q q q q q q q q q q q q q q q q q q q q q q q q q q q q q q q q q q q q q q q q "
         "q\" end",
         {"X-Test: value",
          " \"q q q q q q q q q q q q q q q q q q q q q q q q q q q q q q q q q q q q q q q q q q q q q\"",
          " end"}},
        {"an encoded word's CR LF TAB is kept, with its TAB, and not broken again",
         "Subject",
         "=?UTF-8?Q?=C3=A9?=\r\n\t=?UTF-8?Q?=C3=A8?=",
         {"Subject: =?UTF-8?Q?=C3=A9?=", "\t=?UTF-8?Q?=C3=A8?="}},
        {"a short line stays as it is",
         "Date",
         "Tue, 8 Dec 2026 21:13:15 +0100",
         {"Date: Tue, 8 Dec 2026 21:13:15 +0100"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(LinesAfterSetting(c.name, c.value), c.lines) << c.what;
}

TEST(HeaderListTest, ValuesAreFoundWithoutRegardToCaseAndReadUnfolded) {
    TNetHeaderList list;
    list.Add("Received: from somewhere");
    list.Add("SUBJECT: first part");
    list.Add("\tsecond part  ");
    list.Add(" third");
    list.Add("X-Other: x");
    EXPECT_EQ(list.IndexOfHeader("subject"), 1);
    EXPECT_EQ(list.IndexOfHeader("Missing"), -1);
    EXPECT_EQ(list.GetHeaderValue("Subject"), "first part second part third");
    EXPECT_EQ(list.GetHeaderValue("x-other"), "x");
    EXPECT_EQ(list.GetHeaderValue("Missing"), "");
}

TEST(HeaderListTest, SettingReplacesInPlaceSpelledAsGivenAndDropsOldContinuations) {
    TNetHeaderList list;
    list.Add("Received: a");
    list.Add("FROM: old@example.test,");
    list.Add(" more@example.test");
    list.Add("Date: d");
    list.SetHeaderValue("From", "new@example.test");
    EXPECT_EQ(list.AllLines(), (Lines{"Received: a", "From: new@example.test", "Date: d"}));

    list.SetHeaderValue("X-New", "appended");
    EXPECT_EQ(list[3], "X-New: appended");
}

TEST(HeaderListTest, AnEmptyValueRemovesTheLineWithItsContinuationsOrChangesNothing) {
    TNetHeaderList list;
    list.Add("Subject: a");
    list.Add(" b");
    list.Add("\tc");
    list.Add("Date: d");
    list.SetHeaderValue("subject", "");
    EXPECT_EQ(list.AllLines(), Lines{"Date: d"});
    list.SetHeaderValue("Absent", "");
    EXPECT_EQ(list.AllLines(), Lines{"Date: d"});
}

} // namespace
} // namespace corvalet
