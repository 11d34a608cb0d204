#include "help/HelpCatalogue.h"

#include "platform/TextFile.h"

#include <gtest/gtest.h>

#include <regex>
#include <set>

namespace corvalet {
namespace {

const std::string HelpSourceFolder = CORVALET_HELP_SOURCE_DIR;

TEST(HelpCatalogueTest, ParsesTopicsContextsAndASortedIndex) {
    const auto catalogue = THelpCatalogue::Parse("# comment\r\n\r\n"
                                                 "context|1060|Logging\n"
                                                 "topic|Welcome|welcome.html|Welcome to it\n"
                                                 "topic|Logging|logging.html|The log\n"
                                                 "keyword|logging|logging.html\n"
                                                 "keyword|Add|recipients.html#editing\n");
    ASSERT_NE(catalogue.DefaultTopic(), nullptr);
    EXPECT_EQ(catalogue.DefaultTopic()->Page, "welcome.html");
    ASSERT_NE(catalogue.TopicForContext(1060), nullptr);
    EXPECT_EQ(catalogue.TopicForContext(1060)->Name, "Logging") << "a context may name a later topic";
    EXPECT_EQ(catalogue.TopicForContext(1000), nullptr);
    ASSERT_EQ(catalogue.Index().size(), 2u);
    EXPECT_EQ(catalogue.Index()[0].Keyword, "Add");
    EXPECT_EQ(catalogue.Index()[0].Page, "recipients.html#editing");
}

TEST(HelpCatalogueTest, RefusesLinesItDoesNotUnderstandWithTheirNumber) {
    const std::pair<const char*, const char*> cases[] = {
        {"topic|Welcome|welcome.html", "line 1"},
        {"topic|A|a.html|A\ntopic|A|b.html|B", "line 2: topic 'A' is listed twice"},
        {"keyword||a.html", "line 1"},
        {"context|x|A", "'x' is not a context number"},
        {"context|0|A", "'0' is not a context number"},
        {"context|99999999999|A", "not a context number"},
        {"index|A|a.html", "line 1"},
        {"topic|A|a.html|A\ncontext|5|B", "context 5 names the unknown topic 'B'"},
    };
    for (const auto& [text, message] : cases) {
        try {
            THelpCatalogue::Parse(text);
            ADD_FAILURE() << "accepted: " << text;
        } catch (const EHelpCatalogueError& error) {
            EXPECT_NE(std::string(error.what()).find(message), std::string::npos) << error.what();
        }
    }
    EXPECT_THROW(THelpCatalogue::Load("/nonexistent/folder/"), EHelpCatalogueError);
}

TEST(HelpCatalogueTest, IndexPositionFollowsTheLongestCommonBeginning) {
    const auto catalogue = THelpCatalogue::Parse("keyword|Log file|l.html\n"
                                                 "keyword|Logging|l.html\n"
                                                 "keyword|Logging mechanism|l.html\n"
                                                 "keyword|Recipients|r.html\n"
                                                 "keyword|Send Now!|r.html\n");
    struct TCase {
        const char* Keyword;
        const char* Expected;
        bool Covers;
    };
    const TCase cases[] = {
        {"Recipients", "Recipients", true},
        {"recipients", "Recipients", true},
        {"Loggingzzz", "Logging", true},
        {"Logging mech", "Logging mechanism", false},
        {"Log", "Log file", false},
        {"Abc", "Log file", false},
        {"Mail", "Recipients", false},
        {"Zebra", "Send Now!", false},
        {"", "Log file", false},
    };
    for (const auto& c : cases) {
        const auto position = catalogue.IndexPosition(c.Keyword);
        ASSERT_TRUE(position) << c.Keyword;
        EXPECT_EQ(catalogue.Index()[*position].Keyword, c.Expected) << c.Keyword;
        EXPECT_EQ(catalogue.IndexEntryCovers(*position, c.Keyword), c.Covers) << c.Keyword;
    }
    EXPECT_FALSE(THelpCatalogue::Parse("").IndexPosition("Logging"));
}

// The shipped help: every context number of the configuration window leads to its topic, and every
// page, link and anchor that the catalogue and the pages name exists.
TEST(ShippedHelpTest, ContextNumbersLeadToTheirTopics) {
    const auto catalogue = THelpCatalogue::Load(HelpSourceFolder);
    EXPECT_EQ(catalogue.DefaultTopic()->Name, "Welcome");
    const std::pair<std::uint32_t, const char*> contexts[] = {{1000, "Welcome"},    {1020, "Configuration"},
                                                              {1030, "General"},    {1040, "Message"},
                                                              {1050, "Connection"}, {1060, "Logging"}};
    for (const auto& [context, topic] : contexts) {
        ASSERT_NE(catalogue.TopicForContext(context), nullptr) << context;
        EXPECT_EQ(catalogue.TopicForContext(context)->Name, topic);
    }
    for (const char* topic :
         {"Welcome", "Configuration", "General", "Recipients", "Message", "Connection", "Logging"})
        EXPECT_NE(catalogue.FindTopic(topic), nullptr) << topic;
    const auto recipients = catalogue.IndexPosition("Recipients");
    EXPECT_TRUE(recipients && catalogue.IndexEntryCovers(*recipients, "Recipients"));
}

std::set<std::string> AnchorsOf(const std::string& html) {
    std::set<std::string> anchors;
    const std::regex name(R"(<a name="([^"]+)\")");
    for (auto it = std::sregex_iterator(html.begin(), html.end(), name); it != std::sregex_iterator(); ++it)
        anchors.insert((*it)[1]);
    return anchors;
}

void ExpectTargetExists(const std::string& target, const std::string& from) {
    const auto hash = target.find('#');
    const std::string page = target.substr(0, hash);
    std::string html;
    ASSERT_TRUE(ReadFileBytes(HelpSourceFolder + page, html)) << target << " named in " << from;
    if (hash != std::string::npos) {
        EXPECT_TRUE(AnchorsOf(html).count(target.substr(hash + 1))) << target << " named in " << from;
    }
}

TEST(ShippedHelpTest, EveryPageLinkAndAnchorExists) {
    const auto catalogue = THelpCatalogue::Load(HelpSourceFolder);
    for (const auto& topic : catalogue.Topics())
        ExpectTargetExists(topic.Page, "the catalogue");
    for (const auto& entry : catalogue.Index())
        ExpectTargetExists(entry.Page, "the index");

    const std::regex link(R"(href="([^"]+)\")");
    for (const auto& topic : catalogue.Topics()) {
        std::string html;
        ASSERT_TRUE(ReadFileBytes(HelpSourceFolder + topic.Page, html));
        for (auto it = std::sregex_iterator(html.begin(), html.end(), link); it != std::sregex_iterator();
             ++it) {
            std::string target = (*it)[1];
            if (target.starts_with("#"))
                target = topic.Page + target;
            ExpectTargetExists(target, topic.Page);
        }
    }
}

} // namespace
} // namespace corvalet
