#include "mime/EMailAddressItem.h"
#include "mime/MessageExceptions.h"

#include <gtest/gtest.h>

namespace corvalet {
namespace {

using Items = std::vector<TNetEMailAddressItem>;

Items Parse(const std::string& text) {
    TNetEMailAddressList list;
    SetAddresses(list, text);
    return Items(list.begin(), list.end());
}

TEST(EMailAddressItemTest, AddressTextsParseIntoItems) {
    struct Case {
        std::string text;
        Items items;
    };
    const Case cases[] = {
        {"bob@example.test", {{"bob@example.test", ""}}},
        {"  John Smith  <john.smith@mail.example.test> ", {{"john.smith@mail.example.test", "John Smith"}}},
        {"a@example.test, b@example.test", {{"a@example.test", ""}, {"b@example.test", ""}}},
        {"\"Smith, John\" <js@example.test>", {{"js@example.test", "Smith, John"}}},
        {"\"Say \\\"Hi\\\"\" <x@example.test>", {{"x@example.test", "Say \"Hi\""}}},
        {"a@example.test (the office), b@example.test", {{"a@example.test", ""}, {"b@example.test", ""}}},
        {"a@example.test, , ", {{"a@example.test", ""}}},
        {" \t ", {}},
        {"", {}},
        // No delimiter at all: one item, also without an at sign.
        {"admin", {{"admin", ""}}},
        // An address without an at sign inside a list is kept, not dropped as empty.
        {"admin, bob@example.test", {{"admin", ""}, {"bob@example.test", ""}}},
        // A group name before a colon is dropped; the semicolon ends the group.
        {"Team: a@example.test, b@example.test;", {{"a@example.test", ""}, {"b@example.test", ""}}},
        // A quote that opens in the middle of a word keeps the text before it.
        {"Jo\"hn Q\" <j@example.test>", {{"j@example.test", "John Q"}}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Parse(c.text), c.items) << testing::PrintToString(c.text);
}

TEST(EMailAddressItemTest, AnAtSignAfterTheClosingBracketFails) {
    TNetEMailAddressList list;
    SetAddresses(list, "kept@example.test");
    try {
        SetAddresses(list, "a@example.test, <b@example.test> c@example.test");
        FAIL() << "parsed";
    } catch (const ENetEmailParseError& error) {
        EXPECT_STREQ(error.what(), "@ Outside address");
    }
    ASSERT_EQ(list.Count(), 1u); // the list is not left half-filled
    EXPECT_EQ(list[0].Address, "kept@example.test");
}

TEST(EMailAddressItemTest, DisplayTextQuotesWhatNeedsQuoting) {
    struct Case {
        TNetEMailAddressItem item;
        std::string text;
    };
    const Case cases[] = {
        {{"bob@example.test", ""}, "bob@example.test"},
        {{"bob@example.test", "Bob Jones"}, "Bob Jones <bob@example.test>"},
        {{"bob@example.test", "Jones, Bob"}, "\"Jones, Bob\" <bob@example.test>"},
        {{"bob@example.test", "say \"hi\""}, "\"say \\\"hi\\\"\" <bob@example.test>"},
        {{"first.last@example.test", ""}, "first.last@example.test"},
        {{"odd name@example.test", ""}, "<\"odd name\"@example.test>"},
        // A full stop before the odd character does not let it out unquoted.
        {{"a.b c@example.test", "Bob"}, "Bob <\"a.b c\"@example.test>"},
        {{"x> NOTIFY=1@example.test", ""}, "<\"x> NOTIFY=1\"@example.test>"},
        {{"admin", ""}, "admin"},
        {{"", "Nobody"}, "Nobody <>"},
        {{"", ""}, ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.item.Text(), c.text) << c.item.Address << " / " << c.item.Name;
}

TEST(EMailAddressItemTest, WritingTextParsesOneItem) {
    TNetEMailAddressItem item{"old@example.test", "Old"};
    item.SetText("New Name <new@example.test>");
    EXPECT_EQ(item, (TNetEMailAddressItem{"new@example.test", "New Name"}));
    item.SetText("  ");
    EXPECT_EQ(item, TNetEMailAddressItem{});
    // A backslash that ends the text escapes nothing; the text before it stays.
    EXPECT_FALSE(item.ParseText("\"abc\\"));
    EXPECT_EQ(item.Name, "abc");
    // A quoted local part of a bare address is the address's, kept exactly.
    EXPECT_TRUE(item.ParseText("\" a,b\"@example.test"));
    EXPECT_EQ(item, (TNetEMailAddressItem{" a,b@example.test", ""}));
}

TEST(EMailAddressItemTest, TextThatIsNotReadWholeIsReported) {
    TNetEMailAddressItem item;
    for (const char* text : {"Bob <b@example.test", "a@example.test (note", "a@example.test b@example.test",
                             "<a@example.test> <b@example.test>", "<a@example.test> Bob", "<a@example.test> \"b\""})
        EXPECT_FALSE(item.ParseText(text)) << text;
    for (const char* text : {"<a@example.test> (Bob)", "a@example.test (Bob) ", "Bob a@example.test"})
        EXPECT_TRUE(item.ParseText(text)) << text;
}

} // namespace
} // namespace corvalet
