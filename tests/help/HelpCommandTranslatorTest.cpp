#include "help/HelpCommandTranslator.h"

#include "HelpTestDoubles.h"

#include <gtest/gtest.h>

namespace corvalet {
namespace {

using enum EHTMLHelpCommand;

struct TTranslation {
    const char* Name;
    std::uint32_t Command;
    THelpData Data;
    THTMLHelpCall Expected;
};

void PrintTo(const TTranslation& row, std::ostream* out) {
    *out << row.Name;
}

class HelpCommandTranslatorTest : public testing::TestWithParam<TTranslation> {};

TEST_P(HelpCommandTranslatorTest, MapsClassicCommandToOneDisplayCall) {
    const auto& row = GetParam();
    test::TRecordingDisplay display;
    THelpCommandTranslator translator(display);

    EXPECT_TRUE(translator.HelpCommand(row.Command, row.Data)) << "every command counts as handled";
    ASSERT_EQ(display.Calls.size(), 1u);
    EXPECT_EQ(display.Calls[0], row.Expected);
}

const TTranslation Translations[] = {
    {"Context", 1, 1060u, {DisplayContext, 1060u}},
    {"ContextUnknownToTheHelpPassedOnUnchanged", 1, 4242u, {DisplayContext, 4242u}},
    {"ContextPopup", 8, 1030u, {DisplayContext, 1030u}},
    {"Quit", 2, 77u, {CloseAll, 0u}},
    {"Index", 3, 5u, {DisplayTableOfContents, 0u}},
    {"FinderKeepsItsData", 11, 9u, {DisplayTopic, 9u}},
    {"Key", 257, std::string("Loggingzzz"), {DisplayIndex, std::string("Loggingzzz")}},
    {"PartialKeyOfTheHelpButtonShowsDefaultTopic", 261, std::string("Welcome"), {DisplayTopic, 0u}},
    {"PopupPositionShowsDefaultTopic", 13, 0x00140010u, {DisplayTopic, 0u}},
    {"UnknownNumberShowsDefaultTopic", 999, 12u, {DisplayTopic, 0u}},
    {"ZeroShowsDefaultTopic", 0, std::string("x"), {DisplayTopic, 0u}},
};

INSTANTIATE_TEST_SUITE_P(CommandTable, HelpCommandTranslatorTest, testing::ValuesIn(Translations),
                         [](const auto& info) { return std::string(info.param.Name); });

} // namespace
} // namespace corvalet
