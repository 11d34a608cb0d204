#include "help/HelpWindow.h"

#include "help/HelpSystem.h"
#include "help/WindowHelpTable.h"

#include "support/QtTestApplication.h"
#include "support/TempDir.h"

#include <QListWidget>
#include <QTextBrowser>
#include <QToolButton>
#include <QUrl>

#include <gtest/gtest.h>

namespace corvalet {
namespace {

using enum EHTMLHelpCommand;

class HelpWindowTest : public testing::Test {
protected:
    test::TQtApplicationFirst App;
    std::vector<QUrl> Opened;
    THelpWindow Window{CORVALET_HELP_SOURCE_DIR, [this](const QUrl& url) { Opened.push_back(url); }};
};

TEST_F(HelpWindowTest, DefaultTopicIsWelcome) {
    EXPECT_FALSE(Window.isVisible());
    Window.Execute({DisplayTopic, 0u});
    EXPECT_TRUE(Window.isVisible());
    EXPECT_EQ(Window.CurrentPage(), "welcome.html");
    EXPECT_TRUE(Window.ShownText().contains("Welcome to Corvalet"));
}

TEST_F(HelpWindowTest, ShowsTopicsByContextNumber) {
    const std::pair<std::uint32_t, const char*> contexts[] = {
        {1000, "welcome.html"}, {1020, "configuration.html"}, {1030, "general.html"},
        {1040, "message.html"}, {1050, "connection.html"},    {1060, "logging.html"}};
    for (const auto& [context, page] : contexts) {
        Window.Execute({DisplayContext, context});
        EXPECT_EQ(Window.CurrentPage(), page) << context;
    }
    EXPECT_TRUE(Window.ShownText().contains("Logging page and the log file"));
    EXPECT_EQ(Window.windowTitle(), "Corvalet Help - Logging page and the log file");
}

TEST_F(HelpWindowTest, UnknownContextNumberIsReportedInTheWindow) {
    Window.Execute({DisplayContext, 4242u});
    EXPECT_TRUE(Window.isVisible());
    EXPECT_EQ(Window.CurrentPage(), "");
    EXPECT_TRUE(Window.ShownText().contains("no topic for the context number 4242"))
        << Window.ShownText().toStdString();
}

TEST_F(HelpWindowTest, IndexPositionByKeyword) {
    struct TCase {
        const char* Keyword;
        const char* IndexEntry;
        const char* Page;
    };
    const TCase cases[] = {
        {"Recipients", "Recipients", "recipients.html"},
        {"Loggingzzz", "Logging", "logging.html"},
        {"send now!", "Send Now!", "recipients.html#editing"},
        // Only a place in the index: the topic on show stays.
        {"Logging m", "Logging mechanism", "recipients.html#editing"},
    };
    for (const auto& c : cases) {
        Window.Execute({DisplayIndex, std::string(c.Keyword)});
        EXPECT_TRUE(Window.IndexTabShown());
        EXPECT_EQ(Window.CurrentIndexKeyword(), c.IndexEntry) << c.Keyword;
        EXPECT_EQ(Window.CurrentPage(), c.Page) << c.Keyword;
    }
}

TEST_F(HelpWindowTest, IndexPositionAloneStillShowsATopic) {
    Window.Execute({DisplayIndex, std::string("Zz")});
    EXPECT_EQ(Window.CurrentIndexKeyword(), "Workdays only");
    EXPECT_EQ(Window.CurrentPage(), "welcome.html") << "the window never opens empty";
}

TEST_F(HelpWindowTest, TopicsByNameContentsAndClosing) {
    Window.Execute({DisplayTopic, std::string("Connection")});
    EXPECT_EQ(Window.CurrentPage(), "connection.html");
    Window.Execute({DisplayTopic, std::string("no such topic")});
    EXPECT_EQ(Window.CurrentPage(), "welcome.html");
    Window.Execute({DisplayTableOfContents, 0u});
    EXPECT_FALSE(Window.IndexTabShown());
    EXPECT_EQ(Window.CurrentPage(), "welcome.html");
    Window.Execute({CloseAll, 0u});
    EXPECT_FALSE(Window.isVisible());
    EXPECT_FALSE(Window.testAttribute(Qt::WA_QuitOnClose)) << "closing the help must not end the program";
}

TEST_F(HelpWindowTest, LinksInsideTheHelpStayInsideExternalOnesGoToTheBrowser) {
    Window.Execute({DisplayTopic, 0u});
    auto* browser = Window.findChild<QTextBrowser*>("HelpBrowser");
    ASSERT_NE(browser, nullptr);

    emit browser->anchorClicked(QUrl("recipients.html#frequencies"));
    EXPECT_EQ(Window.CurrentPage(), "recipients.html#frequencies");
    emit browser->anchorClicked(QUrl("#schedule"));
    EXPECT_EQ(Window.CurrentPage(), "recipients.html#schedule");
    EXPECT_TRUE(Opened.empty());

    emit browser->anchorClicked(QUrl("https://corvalet.example.org/"));
    ASSERT_EQ(Opened.size(), 1u);
    EXPECT_EQ(Opened[0], QUrl("https://corvalet.example.org/"));
    EXPECT_EQ(Window.CurrentPage(), "recipients.html#schedule");
}

TEST_F(HelpWindowTest, BackForwardAndHomeAndTheListsFollowThePageOnShow) {
    auto* back = Window.findChild<QToolButton*>("BackButton");
    auto* forward = Window.findChild<QToolButton*>("ForwardButton");
    auto* home = Window.findChild<QToolButton*>("HomeButton");
    auto* contents = Window.findChild<QListWidget*>("ContentsList");
    auto* index = Window.findChild<QListWidget*>("IndexList");
    ASSERT_TRUE(back && forward && home && contents && index);
    const auto contentsPage = [contents] { return contents->currentItem()->data(Qt::UserRole).toString(); };

    Window.Execute({DisplayContext, 1050u});
    EXPECT_FALSE(back->isEnabled());
    EXPECT_EQ(contentsPage(), "connection.html");
    Window.Execute({DisplayContext, 1060u});
    EXPECT_EQ(contentsPage(), "logging.html");
    ASSERT_TRUE(back->isEnabled());
    EXPECT_FALSE(forward->isEnabled());

    back->click();
    EXPECT_EQ(Window.CurrentPage(), "connection.html");
    EXPECT_EQ(contentsPage(), "connection.html");
    // The index stands on an entry of the page on show.
    EXPECT_EQ(index->currentItem()->text().toStdString(), "Connection");
    ASSERT_TRUE(forward->isEnabled());
    forward->click();
    EXPECT_EQ(Window.CurrentPage(), "logging.html");
    EXPECT_EQ(contentsPage(), "logging.html");

    home->click();
    EXPECT_EQ(Window.CurrentPage(), "welcome.html");
    EXPECT_EQ(contentsPage(), "welcome.html");
}

TEST_F(HelpWindowTest, ContentsAndIndexListTheCatalogue) {
    auto* contents = Window.findChild<QListWidget*>("ContentsList");
    auto* index = Window.findChild<QListWidget*>("IndexList");
    ASSERT_TRUE(contents && index);
    EXPECT_EQ(contents->count(), 7);
    EXPECT_EQ(contents->item(0)->text(), "Welcome to Corvalet");
    emit contents->itemActivated(contents->item(6));
    EXPECT_EQ(Window.CurrentPage(), "logging.html");
    EXPECT_GT(index->count(), 20);
}

TEST(HelpWindowMissingPagesTest, SaysSoInsteadOfShowingNothing) {
    test::QtTestApplication();
    test::TTempDir folder;
    THelpWindow window(folder.Folder(), [](const QUrl&) {});
    window.Execute({DisplayContext, 1060u});
    EXPECT_TRUE(window.ShownText().contains("help pages were not found")) << window.ShownText().toStdString();
    window.Execute({DisplayIndex, std::string("Recipients")});
    EXPECT_TRUE(window.ShownText().contains("help pages were not found")) << window.ShownText().toStdString();
    window.Execute({DisplayTopic, 0u});
    EXPECT_TRUE(window.ShownText().contains("help pages were not found"));
}

// The build puts the pages beside the executable, where the program looks for them; the help
// button and quit reach the window through the whole chain.
TEST(HelpSystemTest, PagesBesideTheExecutableAndTheHelpButton) {
    test::QtTestApplication();
    THelpSystem help(THelpSystem::DefaultHelpFolder(), [](const QUrl&) {});
    ShowWindowHelp(help.Manager());
    EXPECT_TRUE(help.Window().isVisible());
    EXPECT_EQ(help.Window().CurrentPage(), "welcome.html");
    help.Manager().ContextHelp(1050);
    EXPECT_EQ(help.Window().CurrentPage(), "connection.html");
    QuitHelp(help.Manager());
    EXPECT_FALSE(help.Window().isVisible());
}

} // namespace
} // namespace corvalet
