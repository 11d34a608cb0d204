#include "delivery/DeliveryState.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>

namespace corvalet {
namespace {

using test::TTempDir;

TEST(DeliveryStateTest, MinuteNumbersCountLocalCalendarMinutes) {
    const TDateTime minute{2026, 12, 10, 9, 5, 0, 0};
    EXPECT_EQ(MinuteOfNumber(MinuteNumber(minute)), minute);
    EXPECT_EQ(MinuteNumber(TDateTime{1970, 1, 1, 0, 0, 0, 0}), 0);
    EXPECT_EQ(MinuteOfNumber(-1), (TDateTime{1969, 12, 31, 23, 59, 0, 0}));
}

TEST(DeliveryStateTest, ParsesRunsAndJoinsThoseThatMeet) {
    const TEvaluatedRuns runs = TDeliveryState::ParseState("Corvalet state 1\n"
                                                           "E 100 110\n"
                                                           "E 111 111\n" // touches the run before
                                                           "E 105 120\n" // overlaps it
                                                           "E 200 200\n"
                                                           "E 50 60\n");
    EXPECT_EQ(runs, (TEvaluatedRuns{{50, 60}, {100, 120}, {200, 200}}));
    EXPECT_EQ(TDeliveryState::ParseState(TDeliveryState::StateText(runs)), runs);
    EXPECT_TRUE(TDeliveryState::ParseState("Corvalet state 1\n").empty());
}

TEST(DeliveryStateTest, RefusesWhatIsNotAStateFile) {
    const char* damaged[] = {
        "",
        "Corvalet state 1",                   // cut short
        "Corvalet state 2\n",                 // a later version's
        "Corvalet state 1\nE 5 6",            // last record cut short
        "Corvalet state 1\nE 5\n",            // one number
        "Corvalet state 1\nE 6 5\n",          // backwards
        "Corvalet state 1\nE 5 6 7\n",        // one too many
        "Corvalet state 1\nE x 6\n",
        "Corvalet state 1\nE  5 6\n",
        "Corvalet state 1\nE 5 99999999999999999999\n",
        "Corvalet state 1\nE 0 9000000000\n", // past the year 9999
        "Corvalet state 1\r\nE 5 6\r\n",      // not written by the program
        "Corvalet state 1\nX 5 6\n",
    };
    for (const char* text : damaged)
        EXPECT_THROW(TDeliveryState::ParseState(text), EStateDamaged) << text;
}

TEST(DeliveryStateTest, EvaluatedMinutesSurviveARestart) {
    TTempDir dir;
    const std::string path = dir.File("Corvalet.state").string();
    {
        TDeliveryState state(path);
        EXPECT_EQ(state.Load(), "");
        EXPECT_FALSE(state.LatestEvaluated());
        for (std::int64_t minute : {1000, 1001, 1002, 990})
            EXPECT_EQ(state.RecordEvaluated(minute), "");
    }
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);

    TDeliveryState again(path);
    EXPECT_EQ(again.Load(), "");
    EXPECT_TRUE(again.WasEvaluated(1001));
    EXPECT_TRUE(again.WasEvaluated(990));
    EXPECT_FALSE(again.WasEvaluated(1003));
    EXPECT_EQ(again.LatestEvaluated(), 1002);
    EXPECT_EQ(again.Runs(), (TEvaluatedRuns{{990, 990}, {1000, 1002}}));
}

TEST(DeliveryStateTest, TheFileStaysSmallAndKeepsTheLastDays) {
    TTempDir dir;
    const std::string path = dir.File("Corvalet.state").string();
    TDeliveryState state(path);
    state.Load();
    // A week of minutes, one record each.
    const std::int64_t start = 29'000'000;
    for (std::int64_t minute = start; minute < start + 7 * 1440; ++minute)
        ASSERT_EQ(state.RecordEvaluated(minute), "");
    EXPECT_LT(std::filesystem::file_size(path), 25'000u);
    TDeliveryState again(path);
    EXPECT_EQ(again.Load(), "");
    EXPECT_EQ(again.LatestEvaluated(), start + 7 * 1440 - 1);
    EXPECT_TRUE(again.WasEvaluated(start + 7 * 1440 - TDeliveryState::KeptMinutes));
    EXPECT_FALSE(again.WasEvaluated(start));
}

TEST(DeliveryStateTest, ADamagedFileIsSetAsideOnceAndTheStateStartsAfresh) {
    TTempDir dir;
    const std::string path = dir.File("Corvalet.state").string();
    dir.Write("Corvalet.state", "Corvalet state 1\nE 100 1");
    TDeliveryState state(path);
    const std::string problem = state.Load();
    EXPECT_NE(problem.find("could not be read (line 2 is cut short)"), std::string::npos) << problem;
    EXPECT_NE(problem.find("set aside as " + path + ".bad"), std::string::npos) << problem;
    EXPECT_EQ(dir.Read("Corvalet.state.bad"), "Corvalet state 1\nE 100 1");
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_FALSE(state.LatestEvaluated());

    EXPECT_EQ(state.RecordEvaluated(500), "");
    TDeliveryState again(path);
    EXPECT_EQ(again.Load(), "");
    EXPECT_EQ(again.LatestEvaluated(), 500);
}

TEST(DeliveryStateTest, AFolderInPlaceOfTheFileIsReportedAndTheStateLivesInMemory) {
    TTempDir dir;
    const std::string path = dir.File("Corvalet.state").string();
    std::filesystem::create_directory(path);
    std::filesystem::create_directory(path + ".bad");
    dir.Write("Corvalet.state.bad/kept", "an earlier damaged state");
    TDeliveryState state(path);
    const std::string problem = state.Load();
    EXPECT_NE(problem.find("it is not a file"), std::string::npos) << problem;
    EXPECT_NE(problem.find("could not be set aside either"), std::string::npos) << problem;
    EXPECT_NE(state.RecordEvaluated(7), "");
    EXPECT_TRUE(state.WasEvaluated(7));
}

} // namespace
} // namespace corvalet
