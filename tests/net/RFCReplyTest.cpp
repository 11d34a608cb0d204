#include "net/RFCReply.h"

#include <gtest/gtest.h>

namespace corvalet {
namespace {

using Lines = std::vector<std::string>;

TEST(RFCReplyTest, CodeTextAndNumberAreCoupled) {
    TNetRFCReply reply;
    reply.SetTextCode("250");
    EXPECT_EQ(reply.NumericCode(), 250);
    reply.SetTextCode("2x0");
    EXPECT_EQ(reply.NumericCode(), 0);
    EXPECT_EQ(reply.TextCode(), "2x0");
    reply.SetNumericCode(354);
    EXPECT_EQ(reply.TextCode(), "354");
    reply.SetNumericCode(0); // not above 0: the text stays
    EXPECT_EQ(reply.TextCode(), "354");
    reply.Text = {"x"};
    reply.Clear();
    EXPECT_EQ(reply.NumericCode(), 0);
    EXPECT_EQ(reply.TextCode(), "");
    EXPECT_TRUE(reply.Text.empty());
}

TEST(ParseReplyTest, Cases) {
    const struct {
        const char* Name;
        Lines Input;
        int Code;
        Lines Text;
    } cases[] = {
        {"multi-line", {"250-first", "250-second", "250 last"}, 250, {"first", "second", "last"}},
        {"single line", {"354 Start mail input"}, 354, {"Start mail input"}},
        {"code alone ends with an empty line", {"250-first", "250"}, 250, {"first", ""}},
        {"other code inside keeps its code",
         {"250-first", "251 other", "250 last"},
         250,
         {"first", "251 other", "last"}},
        {"continuation without code",
         {"250-first", "   more text", "250 last"},
         250,
         {"first", "more text", "last"}},
        {"code in other letter case", {"abc-first", "ABC last"}, 0, {"first", "last"}},
        {"non-numeric code", {"abc fine"}, 0, {"fine"}},
        {"code only", {"220"}, 220, {""}},
        {"nothing", {}, 0, {}},
    };
    for (const auto& c : cases) {
        TNetRFCReply reply;
        reply.Text = {"left over"};
        reply.ParseReply(c.Input);
        EXPECT_EQ(reply.NumericCode(), c.Code) << c.Name;
        EXPECT_EQ(reply.Text, c.Text) << c.Name;
    }
}

TEST(ParseReplyTest, TextCodeIsTheCodeAsRead) {
    TNetRFCReply reply;
    reply.ParseReply({"250-first", "250 last"});
    EXPECT_EQ(reply.TextCode(), "250");
    reply.ParseReply({"abc ok"});
    EXPECT_EQ(reply.TextCode(), "abc");
}

TEST(EndsMultiLineReplyTest, OnlyItsOwnCodeAndABlankOrAShortLineEndIt) {
    EXPECT_TRUE(EndsMultiLineReply("250", "250 last"));
    EXPECT_TRUE(EndsMultiLineReply("250", "250"));
    EXPECT_TRUE(EndsMultiLineReply("250", "ok"));
    EXPECT_TRUE(EndsMultiLineReply("abc", "ABC done"));
    EXPECT_FALSE(EndsMultiLineReply("250", "250-more"));
    EXPECT_FALSE(EndsMultiLineReply("250", "251 other"));
    EXPECT_FALSE(EndsMultiLineReply("250", "text"));
}

} // namespace
} // namespace corvalet
