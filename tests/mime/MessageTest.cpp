#include "mime/Encoder.h"
#include "mime/HeaderList.h"
#include "mime/HeaderWords.h"
#include "mime/InternetDate.h"
#include "mime/Message.h"
#include "mime/MessageExceptions.h"
#include "support/FakeClock.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <optional>

namespace corvalet {
namespace {

using Lines = std::vector<std::string>;

const std::string E = "\xC3\xA9";                                                // e acute
const std::string Cyrillic = "\xD0\xBF\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82"; // a six-letter word

// A message as the mail job fills it, at a fixed time one hour east of UTC.
class MessageTest : public testing::Test {
protected:
    MessageTest() : Clock(TDateTime{2026, 12, 8, 21, 13, 15, 0}), Message(Clock) {
        Message.HeaderLanguage = "en";
        Message.ZoneOffset = [](const TDateTime&) { return 60; };
    }

    Lines Headers() { return Message.BuildHeaders()->AllLines(); }

    test::TFakeClock Clock;
    TNetMessage Message;
};

TNetHeaderCharset Charset(char encoding) {
    TNetHeaderCharset charset;
    charset.Encoding = encoding;
    return charset;
}

TEST_F(MessageTest, TheProgramsTwoHeaderShapes) {
    Message.From = {"sender@example.test", "Corvalet Test"};
    Message.Subject = "Weekly report";
    Message.Parts.AddText({"line"}).SetContentType("text/html");
    SetAddresses(Message.BccList, "a@example.test, b@example.test");
    EXPECT_EQ(Headers(),
              (Lines{
                  "From: \"Corvalet Test\" <sender@example.test>",
                  "Subject: Weekly report",
                  "Content-Type: multipart/alternative; boundary=\"=_MoreStuf_2zzz1234sadvnqw3nerasdf\"",
                  "MIME-Version: 1.0",
                  "Date: Tue, 8 Dec 2026 21:13:15 +0100",
              }));

    Message.BccList.Clear();
    SetAddresses(Message.CCList, "a@example.test, Bea <b@example.test>");
    Message.Parts.AddAttachment("/tmp/report.pdf");
    Message.Priority = TNetMessagePriority::mpHigh;
    EXPECT_EQ(Headers(), (Lines{
                             "From: \"Corvalet Test\" <sender@example.test>",
                             "Subject: Weekly report",
                             "Cc: a@example.test, \"Bea\" <b@example.test>",
                             "Content-Type: multipart/mixed; boundary=\"=_MoreStuf_2zzz1234sadvnqw3nerasdf\"",
                             "MIME-Version: 1.0",
                             "Date: Tue, 8 Dec 2026 21:13:15 +0100",
                             "X-Priority: 2",
                         }));
}

TEST_F(MessageTest, EveryHeaderLineInItsPlace) {
    Message.RawHeaders.Add("X-Preset: kept first");
    Message.RawHeaders.Add("FROM: replaced where it stands");
    Message.From = {"from@example.test", ""};
    Message.Subject = "All lines";
    SetAddresses(Message.Recipients, "to@example.test");
    SetAddresses(Message.CCList, "cc@example.test");
    Message.NewsGroups = {"local.test", "with space", "with\"quote"};
    Message.ContentType = "text/plain";
    Message.ContentTransferEncoding = "7bit";
    Message.Sender = {"sender@example.test", "The Sender"};
    SetAddresses(Message.ReplyTo, "reply@example.test");
    Message.Organization = "Corvalet";
    Message.ReceiptRecipient = {"receipt@example.test", ""};
    Message.References = "<one@example.test>";
    Message.Priority = TNetMessagePriority::mpLowest;
    Message.ExtraHeaders.Add("X-Mailer: as it stands");
    EXPECT_EQ(Headers(), (Lines{
                             "X-Preset: kept first",
                             "From: from@example.test",
                             "Subject: All lines",
                             "To: to@example.test",
                             "Cc: cc@example.test",
                             "Newsgroups: local.test,\"with space\",\"with\"\"quote\"",
                             "Content-Type: text/plain",
                             "Content-Transfer-Encoding: 7bit",
                             "Sender: The Sender <sender@example.test>",
                             "Reply-To: reply@example.test",
                             "Organization: Corvalet",
                             "Disposition-Notification-To: receipt@example.test",
                             "References: <one@example.test>",
                             "Date: Tue, 8 Dec 2026 21:13:15 +0100",
                             "X-Priority: 5",
                             "X-Mailer: as it stands",
                         }));
}

TEST_F(MessageTest, WithoutPartsThereIsNoMimeLineAndACharsetIsAppended) {
    Message.From = {"from@example.test", ""};
    EXPECT_EQ(Headers(), (Lines{"From: from@example.test", "Date: Tue, 8 Dec 2026 21:13:15 +0100"}));
    Message.ContentType = "text/plain";
    Message.CharSet = "UTF-8";
    EXPECT_EQ(Headers(), (Lines{"From: from@example.test", "Content-Type: text/plain;", "\tcharset=\"UTF-8\"",
                                "Date: Tue, 8 Dec 2026 21:13:15 +0100"}));
}

TEST_F(MessageTest, PriorityNumbers) {
    const std::pair<TNetMessagePriority, const char*> cases[] = {{TNetMessagePriority::mpHighest, "1"},
                                                                 {TNetMessagePriority::mpHigh, "2"},
                                                                 {TNetMessagePriority::mpNormal, nullptr},
                                                                 {TNetMessagePriority::mpLow, "4"},
                                                                 {TNetMessagePriority::mpLowest, "5"}};
    for (const auto& [priority, number] : cases) {
        Message.Priority = priority;
        EXPECT_EQ(Message.BuildHeaders()->GetHeaderValue("X-Priority"), number ? number : "");
    }
}

TEST_F(MessageTest, RelatedAttachmentsAndUUMessages) {
    Message.Parts.AddAttachment("/tmp/logo.png").SetContentID("<logo>");
    EXPECT_EQ(Message.BuildHeaders()->GetHeaderValue("Content-Type"),
              "multipart/related; type=\"multipart/alternative\"; "
              "boundary=\"=_MoreStuf_2relzzzsadvnq1234w3nerasdf\"");
    Message.Parts.AddText();
    Message.SetEncoding(TNetMessageEncoding::meUU);
    try {
        Message.BuildHeaders();
        FAIL() << "built";
    } catch (const ENetMessageException& error) {
        EXPECT_STREQ(error.what(), "Invalid Encoding. UU only allows Body and Attachments");
    }
}

TEST_F(MessageTest, TheDateIsNowUnlessOneIsSet) {
    EXPECT_TRUE(Message.UseNowForDate());
    Clock.Set(TDateTime{2026, 1, 5, 9, 5, 3, 0});
    EXPECT_EQ(Message.BuildHeaders()->GetHeaderValue("Date"), "Mon, 5 Jan 2026 09:05:03 +0100");
    Message.SetUseNowForDate(false);
    EXPECT_EQ(Message.Date, (TDateTime{2026, 1, 5, 9, 5, 3, 0}));
    Clock.AdvanceDays(1);
    EXPECT_EQ(Message.BuildHeaders()->GetHeaderValue("Date"), "Mon, 5 Jan 2026 09:05:03 +0100");
    Message.SetUseNowForDate(true);
    EXPECT_EQ(Message.Date, TDateTime{});
}

TEST_F(MessageTest, ClearEmptiesEverythingButTheEncodings) {
    Message.From = {"a@example.test", "A"};
    SetAddresses(Message.CCList, "b@example.test");
    Message.Subject = "s";
    Message.Priority = TNetMessagePriority::mpHigh;
    Message.Date = TDateTime{2026, 1, 1, 0, 0, 0, 0};
    Message.Parts.AddText({"x"});
    Message.Body = {"y"};
    Message.ExtraHeaders.Add("X-Mailer: m");
    Message.SetAttachmentEncoding("XXE");
    Message.Clear();
    EXPECT_EQ(Message.From, TNetEMailAddressItem{});
    EXPECT_TRUE(Message.CCList.Empty());
    EXPECT_EQ(Message.Subject, "");
    EXPECT_EQ(Message.Priority, TNetMessagePriority::mpNormal);
    EXPECT_TRUE(Message.UseNowForDate());
    EXPECT_TRUE(Message.Parts.Empty());
    EXPECT_TRUE(Message.Body.empty());
    EXPECT_TRUE(Message.ExtraHeaders.Empty());
    EXPECT_EQ(Message.AttachmentEncoding(), "XXE");
}

TEST_F(MessageTest, LineBreaksInHeaderTextsAreRefused) {
    const std::function<void(TNetMessage&)> unsafe[] = {
        [](TNetMessage& m) { m.Subject = "Hello\r\nBcc: victim@example.test"; },
        [](TNetMessage& m) {
            m.From = {"a@example.test\nX-Evil: 1", ""};
        },
        [](TNetMessage& m) {
            m.From = {"a@example.test", std::string("A\0B", 3)};
        },
        [](TNetMessage& m) {
            SetAddresses(m.CCList, "ok@example.test");
            m.CCList.Add().Address = "x@y\r";
        },
        [](TNetMessage& m) { m.BccList.Add().Address = "x@y\rRCPT"; },
        [](TNetMessage& m) { m.ExtraHeaders.Add("X-Mailer: a\r\nb"); },
        [](TNetMessage& m) { m.ContentType = "text/plain\r\n"; },
    };
    for (const auto& spoil : unsafe) {
        TNetMessage message(Clock);
        spoil(message);
        EXPECT_THROW(message.BuildHeaders(), ENetUnsafeMessageText);
    }
}

TEST(HeaderWordsTest, WordsWithNonAsciiBytesAreEncoded) {
    struct Case {
        const char* what;
        std::string text;
        char encoding;
        std::string specials;
        std::string encoded;
    };
    const Case cases[] = {
        {"one word", "Caf" + E + " menu", 'Q', "", "=?UTF-8?Q?Caf=C3=A9?= menu"},
        {"base64 words", "Caf" + E + " menu", 'B', "", "=?UTF-8?B?Q2Fmw6k=?= menu"},
        {"adjacent words join, the space as _",
         "\xC3\x87"
         "a " +
             E + "t" + E + " bien",
         'Q', "", "=?UTF-8?Q?=C3=87a_=C3=A9t=C3=A9?= bien"},
        {"comma and quote inside an encoded word", "\xD0\xBC\xD0\xB8\xD1\x80, \"" + E + "\"", 'Q', "",
         "=?UTF-8?Q?=D0=BC=D0=B8=D1=80=2C_=22=C3=A9=22?="},
        {"plain text stays", "Weekly report", 'Q', "", "Weekly report"},
        {"no encoding at all", "Caf" + E, '8', "", "Caf" + E},
        {"extra specials join the stretch", "J. M\xC3\xBCller", 'Q', "()<>[]@,;:\\.\"",
         "=?UTF-8?Q?J=2E_M=C3=BCller?="},
        // Ten e-acutes fill a word to 72 characters; the eleventh does not fit whole, so it starts
        // the next word rather than being split between two.
        {"a character is never split", std::string() + E + E + E + E + E + E + E + E + E + E + E, 'Q', "",
         "=?UTF-8?Q?=C3=A9=C3=A9=C3=A9=C3=A9=C3=A9=C3=A9=C3=A9=C3=A9=C3=A9=C3=A9?=\r\n\t=?UTF-8?Q?=C3=A9?="},
    };
    for (const Case& c : cases)
        EXPECT_EQ(EncodeHeaderWords(c.text, c.specials, Charset(c.encoding)), c.encoded) << c.what;
}

TEST(HeaderWordsTest, Base64WordsHoldWholeCharacters) {
    // 23 two-byte letters: 22 (44 bytes, 60 characters) fit one word of 72, the 23rd starts the next.
    std::string text;
    for (int i = 0; i < 23; ++i)
        text += "\xD0\xB4";
    std::string first;
    for (int i = 0; i < 22; ++i)
        first += "\xD0\xB4";
    EXPECT_EQ(EncodeHeaderWords(text, "", Charset('B')),
              "=?UTF-8?B?" + TNetEncoder::EncodeWith<TNetEncoderMIME>(first) + "?=\r\n\t=?UTF-8?B?0LQ=?=");
}

TEST(HeaderWordsTest, TheLanguagePicksTheKindOfWord) {
    EXPECT_EQ(ChooseHeaderCharset("ja").Encoding, 'B');
    EXPECT_EQ(ChooseHeaderCharset("zh").Encoding, 'B');
    EXPECT_EQ(ChooseHeaderCharset("ko").Encoding, 'B');
    EXPECT_EQ(ChooseHeaderCharset("de").Encoding, 'Q');
    EXPECT_EQ(ChooseHeaderCharset("").CharSet, "UTF-8");
}

// Sets environment variables for one test and puts the old values back.
class TEnvironment {
public:
    void Set(const char* name, const char* value) {
        const char* old = std::getenv(name);
        Saved.emplace_back(name, old != nullptr ? std::optional<std::string>(old) : std::nullopt);
        if (value != nullptr)
            setenv(name, value, 1);
        else
            unsetenv(name);
    }
    ~TEnvironment() {
        for (auto it = Saved.rbegin(); it != Saved.rend(); ++it) {
            if (it->second)
                setenv(it->first.c_str(), it->second->c_str(), 1);
            else
                unsetenv(it->first.c_str());
        }
        tzset();
    }

private:
    std::vector<std::pair<std::string, std::optional<std::string>>> Saved;
};

TEST(HeaderWordsTest, TheLanguageIsTheLocalesFirstPart) {
    struct Case {
        const char* all;
        const char* messages;
        const char* lang;
        const char* language;
    };
    const Case cases[] = {
        {"ja_JP.UTF-8", "de_DE.UTF-8", "fr_FR", "ja"},
        {"", "ko_KR.UTF-8", "fr_FR", "ko"},
        {nullptr, nullptr, "de_DE@euro", "de"},
        {nullptr, nullptr, "C.UTF-8", ""},
        {"POSIX", nullptr, nullptr, ""},
        {nullptr, nullptr, nullptr, ""},
    };
    for (const Case& c : cases) {
        TEnvironment environment;
        environment.Set("LC_ALL", c.all);
        environment.Set("LC_MESSAGES", c.messages);
        environment.Set("LANG", c.lang);
        EXPECT_EQ(LocaleLanguage(), c.language) << (c.lang ? c.lang : "-");
    }
}

TEST_F(MessageTest, OnInitializeISOMayChangeTheCharset) {
    Message.Subject = "Caf" + E;
    Message.OnInitializeISO = [](TTransfer&, char& encoding, std::string& charset) {
        encoding = 'B';
        charset = "utf-8";
    };
    EXPECT_EQ(Message.BuildHeaders()->GetHeaderValue("Subject"), "=?utf-8?B?Q2Fmw6k=?=");
}

TEST_F(MessageTest, LongNonAsciiSubjectsGoOnInFurtherEncodedWords) {
    Message.Subject = std::string() + E + E + E + E + E + E + E + E + E + E + E + E + E + E + E + E + E + E +
                      E + E + E + E + E + E + E + E + E + E + E + E;
    const std::string word = "=?UTF-8?Q?=C3=A9=C3=A9=C3=A9=C3=A9=C3=A9=C3=A9=C3=A9=C3=A9=C3=A9=C3=A9?=";
    // Beside "Subject: " the first word would stand on a line of 84 characters; it goes on a line of
    // its own, as an encoded word may stand on no line longer than 76.
    EXPECT_EQ(Headers(), (Lines{"Subject:", " " + word, "\t" + word, "\t" + word,
                                "Date: Tue, 8 Dec 2026 21:13:15 +0100"}));
}

TEST_F(MessageTest, WordsReadersWouldTakeForEncodedWordsOrCouldNotFoldAreEncoded) {
    struct Case {
        const char* what;
        std::string subject;
        Lines lines;
    };
    const Case cases[] = {
        {"an encoded-word look-alike",
         "Re: =?UTF-8?Q?abc?= now",
         {"Subject: Re: =?UTF-8?Q?=3D=3FUTF-8=3FQ=3Fabc=3F=3D?= now"}},
        {"an equals sign and a question mark apart stay", "a=?b and c?=d", {"Subject: a=?b and c?=d"}},
        {"a word of 997 characters fits a continuation line and stays",
         "x " + std::string(997, 'w'),
         {"Subject: x", " " + std::string(997, 'w')}},
        {"commas inside a long word are break points",
         std::string(600, 'a') + "," + std::string(600, 'b'),
         {"Subject:", " " + std::string(600, 'a') + ",", " " + std::string(600, 'b')}},
    };
    for (const Case& c : cases) {
        Message.Subject = c.subject;
        Lines lines = Headers();
        lines.pop_back(); // the date
        EXPECT_EQ(lines, c.lines) << c.what;
    }

    // A word of 1,200 characters goes out as encoded words of at most 75 characters.
    Message.Subject = "Long " + std::string(1200, 'w') + " end";
    Lines lines = Headers();
    lines.pop_back();
    EXPECT_EQ(lines.front(), "Subject: Long");
    EXPECT_EQ(lines.back(), "\t=?UTF-8?Q?" + std::string(1200 % 63, 'w') + "?= end");
    for (std::size_t i = 1; i + 1 < lines.size(); ++i)
        EXPECT_EQ(lines[i], (i == 1 ? " " : "\t") + ("=?UTF-8?Q?" + std::string(63, 'w') + "?=")) << i;

    // A stray quote early in a long subject: folding never breaks inside quotes, so the word that
    // holds it is encoded (the quote as =22) and the rest folds at its blanks. Short quoted
    // subjects keep their bytes.
    std::string words;
    for (int i = 0; i < 200; ++i)
        words += " word";
    Message.Subject = "Say \"hi" + words;
    lines = Headers();
    lines.pop_back();
    EXPECT_EQ(lines.front(), "Subject: Say =?UTF-8?Q?=22hi?= word word word word word word word word word");
    for (const std::string& line : lines)
        EXPECT_LE(line.size(), 78u) << line;
    Message.Subject = "Say \"hi\" to all";
    lines = Headers();
    lines.pop_back();
    EXPECT_EQ(lines, Lines{"Subject: Say \"hi\" to all"});

    // A stray quote before a long run of encoded words: the header is cut at the encoded words'
    // own line breaks, so every line stays short and the quote keeps its byte.
    std::string cafes;
    for (int i = 0; i < 100; ++i)
        cafes += " caf\xC3\xA9";
    Message.Subject = "Say \"hi" + cafes;
    lines = Headers();
    lines.pop_back();
    ASSERT_GT(lines.size(), 10u);
    EXPECT_EQ(lines.front().rfind("Subject: Say \"hi =?UTF-8?Q?caf=C3=A9_caf", 0), 0u) << lines.front();
    for (const std::string& line : lines)
        EXPECT_LE(line.size(), 100u) << line;
}

TEST(RenderAddressTest, NamesAreQuotedOrEncoded) {
    const TNetHeaderCharset charset = Charset('Q');
    EXPECT_EQ(RenderAddressItem({"a@example.test", ""}, charset), "a@example.test");
    EXPECT_EQ(RenderAddressItem({"a@example.test", "Say \"Hi\"\\"}, charset),
              "\"Say \\\"Hi\\\"\\\\\" <a@example.test>");
    EXPECT_EQ(RenderAddressItem({"j@example.test", "Jos" + E}, charset),
              "=?UTF-8?Q?Jos=C3=A9?= <j@example.test>");
    TNetEMailAddressList list;
    SetAddresses(list, "a@example.test, B <b@example.test>");
    EXPECT_EQ(RenderAddressList(list, charset), "a@example.test, \"B\" <b@example.test>");
    EXPECT_EQ(RenderAddressList(TNetEMailAddressList{}, charset), "");
    // Readers would decode the look-alike even between quotes; a quoted name too long for any line
    // is never folded. Both go out as words.
    EXPECT_EQ(RenderAddressItem({"a@example.test", "Al =?UTF-8?Q?abc?="}, charset),
              "Al =?UTF-8?Q?=3D=3FUTF-8=3FQ=3Fabc=3F=3D?= <a@example.test>");
    const std::string longName = "Ann " + std::string(996, 'n');
    EXPECT_EQ(RenderAddressItem({"a@example.test", longName}, charset), longName + " <a@example.test>");
    EXPECT_EQ(RenderAddressItem({"a@example.test", std::string(995, 'n')}, charset),
              "\"" + std::string(995, 'n') + "\" <a@example.test>");
}

TEST(InternetDateTest, EnglishNamesUnpaddedDayPaddedTimeAndTheZone) {
    struct Case {
        TDateTime date;
        int offset;
        const char* text;
    };
    const Case cases[] = {
        {{2026, 12, 8, 21, 13, 15, 0}, 60, "Tue, 8 Dec 2026 21:13:15 +0100"},
        {{2026, 1, 5, 9, 5, 3, 0}, -300, "Mon, 5 Jan 2026 09:05:03 -0500"},
        {{2024, 2, 29, 0, 0, 0, 0}, 0, "Thu, 29 Feb 2024 00:00:00 +0000"},
        {{2026, 7, 12, 23, 59, 59, 0}, 330, "Sun, 12 Jul 2026 23:59:59 +0530"},
        {{2026, 10, 31, 12, 0, 0, 0}, -90, "Sat, 31 Oct 2026 12:00:00 -0130"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FormatInternetDate(c.date, c.offset), c.text);
}

TEST(InternetDateTest, TheOffsetIsTheOneInForceAtThatTime) {
    {
        TEnvironment zone;
        zone.Set("TZ", "CET-1CEST,M3.5.0,M10.5.0/3");
        tzset();
        EXPECT_EQ(LocalUtcOffset({2026, 12, 8, 21, 13, 15, 0}), 60);
        EXPECT_EQ(LocalUtcOffset({2026, 7, 1, 12, 0, 0, 0}), 120);
    }
    {
        // Summer time ends at 03:00 on 25 Oct 2026: 02:30 happens at 00:30 and again at 01:30 UTC.
        TEnvironment zone;
        zone.Set("TZ", "Europe/Berlin");
        tzset();
        std::tm utc{};
        utc.tm_year = 2026 - 1900;
        utc.tm_mon = 9;
        utc.tm_mday = 25;
        utc.tm_min = 30;
        const std::time_t first = timegm(&utc);
        const std::time_t second = first + 3600;
        const TDateTime repeated{2026, 10, 25, 2, 30, 0, 0};
        EXPECT_EQ(LocalUtcOffsetNear(repeated, first), 120);
        EXPECT_EQ(LocalUtcOffsetNear(repeated, first + 59), 120);
        EXPECT_EQ(LocalUtcOffsetNear(repeated, second), 60);
        EXPECT_EQ(LocalUtcOffsetNear(repeated, second + 1800), 60);
        EXPECT_EQ(LocalUtcOffsetNear({2026, 10, 25, 1, 30, 0, 0}, second), 120);
        EXPECT_EQ(LocalUtcOffsetNear({2026, 10, 25, 3, 30, 0, 0}, first), 60);
    }
    {
        TEnvironment zone;
        zone.Set("TZ", "EST5");
        tzset();
        EXPECT_EQ(LocalUtcOffset({2026, 7, 1, 12, 0, 0, 0}), -300);
    }
    {
        TEnvironment zone;
        zone.Set("TZ", "UTC0");
        tzset();
        EXPECT_EQ(LocalUtcOffset({2026, 7, 1, 12, 0, 0, 0}), 0);
    }
}

} // namespace
} // namespace corvalet
