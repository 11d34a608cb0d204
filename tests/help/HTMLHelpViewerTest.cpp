#include "help/HTMLHelpViewer.h"

#include "help/HelpComponents.h"
#include "help/WindowHelpTable.h"

#include "HelpTestDoubles.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace corvalet {
namespace {

using test::ContextSite;
using test::KeywordSite;
using test::NoHelpSite;
using test::TClassicCall;

// The viewer registered with a manager whose help handler records the classic commands it receives.
class HTMLHelpViewerTest : public testing::Test {
protected:
    test::TFakeFocus Focus;
    THelpManager Manager{"help/catalogue.txt"};
    THTMLHelpViewer Viewer{Focus};
    std::vector<TClassicCall> Commands;

    HTMLHelpViewerTest() {
        Manager.SetHelpHandler([this](std::uint32_t command, const THelpData& data) {
            Commands.push_back({command, data});
            return true;
        });
        Viewer.RegisterWith(Manager);
    }
};

TEST_F(HTMLHelpViewerTest, AnswersTheManagersQuestions) {
    EXPECT_EQ(Viewer.GetViewerName(), "Corvalet Help");
    EXPECT_EQ(Viewer.UnderstandsKeyword("anything at all"), 1);
    EXPECT_EQ(Viewer.GetHelpStrings("Recipients"), std::vector<std::string>{"Recipients: Corvalet Help"});
    EXPECT_TRUE(Viewer.CanShowTableOfContents());
    EXPECT_TRUE(Viewer.UnderstandsTopic("Logging"));
    EXPECT_TRUE(Viewer.UnderstandsContext(4242, "x"));
    EXPECT_TRUE(Commands.empty()) << "questions issue no command";
}

struct TRequest {
    const char* Name;
    std::function<void(THTMLHelpViewer&)> Run;
    std::vector<TClassicCall> Expected;
};

void PrintTo(const TRequest& request, std::ostream* out) {
    *out << request.Name;
}

class HTMLHelpViewerRequestTest : public HTMLHelpViewerTest, public testing::WithParamInterface<TRequest> {};

// The focused element carries no help; its parent, at (40, 50), carries the General page's context.
TEST_P(HTMLHelpViewerRequestTest, IssuesClassicCommandsInOrder) {
    Focus.Chain = {NoHelpSite(1, 1), KeywordSite("", 2, 2), ContextSite(0, 3, 3), ContextSite(1030, 40, 50),
                   ContextSite(1000, 0, 0)};
    GetParam().Run(Viewer);
    EXPECT_EQ(Commands, GetParam().Expected);
}

const TClassicCall PopupAt40x50{13, (50u << 16) | 40u};

const TRequest Requests[] = {
    {"KeywordHelpPositionsPopupsThenAsksTheIndex",
     [](auto& v) { v.ShowHelp("Recipients"); },
     {PopupAt40x50, {257, std::string("Recipients")}}},
    {"TopicHelpAppendsZzz",
     [](auto& v) { v.DisplayTopic("Logging"); },
     {PopupAt40x50, {257, std::string("Loggingzzz")}}},
    {"ContextHelp", [](auto& v) { v.DisplayHelpByContext(1060, "x"); }, {PopupAt40x50, {1, 1060u}}},
    {"UnknownContextPassedOnUnchanged",
     [](auto& v) { v.DisplayHelpByContext(4242, "x"); },
     {PopupAt40x50, {1, 4242u}}},
    {"TableOfContentsPositionsNothing", [](auto& v) { v.ShowTableOfContents(); }, {{3, 0u}}},
    {"SoftShutDownDoesNothing", [](auto& v) { v.SoftShutDown(); }, {}},
};

INSTANTIATE_TEST_SUITE_P(Operations, HTMLHelpViewerRequestTest, testing::ValuesIn(Requests),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST_F(HTMLHelpViewerTest, NoPopupPositionWhenNothingFocusedCarriesHelp) {
    for (const auto& chain :
         {std::vector<THelpSite>{}, std::vector{NoHelpSite(), KeywordSite(""), ContextSite(0)}}) {
        Focus.Chain = chain;
        Commands.clear();
        Viewer.ShowHelp("Recipients");
        Viewer.DisplayHelpByContext(1060, "x");
        EXPECT_EQ(Commands, (std::vector<TClassicCall>{{257, std::string("Recipients")}, {1, 1060u}}));
    }
}

TEST_F(HTMLHelpViewerTest, PopupPositionPacksNegativeScreenCoordinatesIn16Bits) {
    Focus.Chain = {KeywordSite("Recipients", -2, 3)};
    Viewer.ShowHelp("Recipients");
    EXPECT_EQ(Commands.front(), (TClassicCall{13, 0x0003FFFEu}));
    EXPECT_EQ(PackPopupPosition(0x12345, 0x10002), 0x00022345u) << "each half keeps its low 16 bits";
}

TEST_F(HTMLHelpViewerTest, KeywordsAreCutToTheBufferBetweenCharacters) {
    Viewer.ShowHelp(std::string(300, 'k'));
    Viewer.DisplayTopic(std::string(254, 't'));
    // 254 ASCII letters and a two-byte letter: the cut falls before the letter, not inside it.
    Viewer.ShowHelp(std::string(254, 'u') + "\xC3\xA9");
    ASSERT_EQ(Commands.size(), 3u);
    EXPECT_EQ(HelpDataText(Commands[0].Data), std::string(255, 'k'));
    EXPECT_EQ(HelpDataText(Commands[1].Data), std::string(254, 't') + "z");
    EXPECT_EQ(HelpDataText(Commands[2].Data), std::string(254, 'u'));
}

class TRecordingTester : public TClassicHelpTester {
public:
    bool CanShowContext(std::uint32_t, const std::string&) const override { return true; }
};

TEST_F(HTMLHelpViewerTest, ClassicHelpTestIsOffDuringContextHelpAndRestoredAfter) {
    TRecordingTester tester;
    Manager.SetClassicHelpTester(&tester);
    std::vector<TClassicHelpTester*> seen;
    Manager.SetHelpHandler([&](std::uint32_t command, const THelpData&) {
        if (command == 1)
            seen.push_back(Manager.GetClassicHelpTester());
        return true;
    });

    Viewer.DisplayHelpByContext(1060, "x");
    EXPECT_EQ(seen, std::vector<TClassicHelpTester*>{nullptr});
    EXPECT_EQ(Manager.GetClassicHelpTester(), &tester);

    Manager.SetHelpHandler(
        [](std::uint32_t, const THelpData&) -> bool { throw std::runtime_error("display gone"); });
    EXPECT_THROW(Viewer.DisplayHelpByContext(1060, "x"), std::runtime_error);
    EXPECT_EQ(Manager.GetClassicHelpTester(), &tester) << "restored also when the command fails";
}

TEST_F(HTMLHelpViewerTest, ManagerRoutesRequestsToTheRegisteredViewer) {
    EXPECT_EQ(Viewer.GetViewerID(), 1);
    EXPECT_TRUE(Manager.KeywordHelp("Recipients"));
    EXPECT_TRUE(Manager.TopicHelp("Logging"));
    EXPECT_TRUE(Manager.ContextHelp(1060));
    EXPECT_TRUE(Manager.ShowTableOfContents());
    EXPECT_EQ(Commands,
              (std::vector<TClassicCall>{
                  {257, std::string("Recipients")}, {257, std::string("Loggingzzz")}, {1, 1060u}, {3, 0u}}));

    Viewer.Unregister();
    EXPECT_EQ(Manager.ViewerCount(), 0u);
    EXPECT_FALSE(Manager.KeywordHelp("Recipients")) << "no viewer left to answer";
}

TEST(HelpViewerLifetime, ViewerShutDownByItsManagerIssuesNothingMore) {
    test::TFakeFocus focus;
    THTMLHelpViewer viewer(focus);
    {
        THelpManager manager;
        viewer.RegisterWith(manager);
        EXPECT_TRUE(viewer.IsRegistered());
    }
    EXPECT_FALSE(viewer.IsRegistered()) << "the manager's end shuts the viewer down";
    viewer.ShowHelp("Recipients"); // must not reach the destroyed manager
    viewer.DisplayHelpByContext(1060, "x");
}

// The components wired as at the program's start: window requests reach the help display through
// the viewer and the translator.
class HelpComponentsTest : public testing::Test {
protected:
    test::TFakeFocus Focus;
    test::TRecordingDisplay Display;
    THelpManager Manager;
};

TEST_F(HelpComponentsTest, EveryRequestThatPositionsPopupsShowsTheDefaultTopicFirst) {
    THelpComponents components(Manager, Display, Focus);
    Focus.Chain = {KeywordSite("Recipients", 5, 6)};
    using enum EHTMLHelpCommand;

    Manager.KeywordHelp("Recipients");
    Manager.TopicHelp("Logging");
    Manager.ContextHelp(1060);
    EXPECT_EQ(Display.Calls, (std::vector<THTMLHelpCall>{{DisplayTopic, 0u},
                                                         {DisplayIndex, std::string("Recipients")},
                                                         {DisplayTopic, 0u},
                                                         {DisplayIndex, std::string("Loggingzzz")},
                                                         {DisplayTopic, 0u},
                                                         {DisplayContext, 1060u}}));
}

TEST_F(HelpComponentsTest, HelpButtonAndQuitReachTheDisplay) {
    THelpComponents components(Manager, Display, Focus);
    ShowWindowHelp(Manager);
    QuitHelp(Manager);
    using enum EHTMLHelpCommand;
    EXPECT_EQ(Display.Calls, (std::vector<THTMLHelpCall>{{DisplayTopic, 0u}, {CloseAll, 0u}}));
}

TEST_F(HelpComponentsTest, InstalledForTheirLifetimeOnly) {
    {
        THelpComponents components(Manager, Display, Focus);
        EXPECT_TRUE(Manager.HasHelpHandler());
        EXPECT_EQ(Manager.ViewerCount(), 1u);
    }
    EXPECT_FALSE(Manager.HasHelpHandler());
    EXPECT_EQ(Manager.ViewerCount(), 0u);
    EXPECT_FALSE(Manager.HelpCommand(EClassicHelpCommand::Quit, 0u));
    EXPECT_TRUE(Display.Calls.empty());
}

TEST_F(HelpComponentsTest, AskHelpForUsesTheFirstElementThatCarriesHelp) {
    THelpComponents components(Manager, Display, Focus);
    using enum EHTMLHelpCommand;
    EXPECT_TRUE(AskHelpFor(Manager, {NoHelpSite(), KeywordSite("Recipients"), ContextSite(1030)}));
    EXPECT_TRUE(AskHelpFor(Manager, {ContextSite(0), ContextSite(1060), KeywordSite("Recipients")}));
    EXPECT_FALSE(AskHelpFor(Manager, {NoHelpSite(), KeywordSite("")}));
    EXPECT_EQ(Display.Calls, (std::vector<THTMLHelpCall>{{DisplayIndex, std::string("Recipients")},
                                                         {DisplayContext, 1060u}}));
}

} // namespace
} // namespace corvalet
