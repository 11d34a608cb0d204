#include "app/Schedule.h"

#include "support/FakeClock.h"

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>

namespace corvalet {
namespace {

using test::TFakeClock;

class TFakeRows final : public TScheduleRowSource {
public:
    std::vector<TScheduleRow> RecipientRows() const override { return Rows; }
    std::vector<TScheduleRow> Rows;
};

struct TMailing {
    std::string Recipients;
    int Distribution;
    bool operator==(const TMailing&) const = default;
};

std::ostream& operator<<(std::ostream& out, const TMailing& mailing) {
    return out << "{" << mailing.Recipients << ", " << mailing.Distribution << "}";
}

class TFakeMailer final : public TMailSender {
public:
    void SendMailTo(const std::string& recipients, std::uint8_t distribution) override {
        Sent.push_back(TMailing{recipients, distribution});
        Mailing = true;
        // What happens while the mailing waits on the network.
        if (DuringMailing)
            DuringMailing();
        Mailing = false;
    }
    bool IsMailing() const override { return Mailing; }

    std::vector<TMailing> Sent;
    std::function<void()> DuringMailing;
    bool Mailing = false;
};

class TFakeErrors final : public TErrorHandler {
public:
    void HandleApplicationException(const std::exception& error) override {
        Messages.push_back(error.what());
    }
    std::vector<std::string> Messages;
};

TDateTime At(int year, int month, int day, int hour = 9, int minute = 5, int second = 0) {
    return TDateTime{year, month, day, hour, minute, second, 0};
}

class ScheduleTest : public ::testing::Test {
protected:
    void AddRow(const std::string& address, const std::string& time, const std::string& frequency = "Daily",
                const std::string& distribution = "BCC") {
        Rows.Rows.push_back(TScheduleRow{address, time, frequency, distribution});
    }
    void TickAt(const TDateTime& when) {
        Clock.Set(when);
        Schedule.TimerTimer();
    }

    TFakeClock Clock{At(2026, 12, 9, 9, 5, 0)};
    TFormatSettings Formats{"MM/dd/yyyy", "HH:mm:ss"};
    TFakeRows Rows;
    TFakeMailer Mailer;
    TFakeErrors Errors;
    TSchedule Schedule{Clock, Formats, Rows, Mailer, Errors};
};

struct TFrequencyCase {
    const char* Frequency;
    TDateTime Today;
    bool Due;
};

class FrequencyTest : public ScheduleTest, public ::testing::WithParamInterface<TFrequencyCase> {};

TEST_P(FrequencyTest, RowIsCollectedExactlyOnItsDays) {
    const TFrequencyCase& c = GetParam();
    AddRow("a@example.org", "09 : 05", c.Frequency);
    Clock.Set(c.Today);
    EXPECT_EQ(Schedule.CollectDueRecipients(0, 9, 5), c.Due ? "a@example.org" : "");
    EXPECT_TRUE(Errors.Messages.empty());
}

INSTANTIATE_TEST_SUITE_P(
    TwelveFrequencies, FrequencyTest,
    ::testing::Values(TFrequencyCase{"Daily", At(2026, 12, 12), true},
                      TFrequencyCase{"Workdays only", At(2026, 12, 9), true},
                      TFrequencyCase{"Workdays only", At(2026, 12, 12), false}, // Saturday
                      TFrequencyCase{"Workdays only", At(2026, 12, 13), false}, // Sunday
                      TFrequencyCase{"Each Sunday", At(2026, 12, 13), true},
                      TFrequencyCase{"Each Sunday", At(2026, 12, 14), false},
                      TFrequencyCase{"Each Monday", At(2026, 12, 14), true},
                      TFrequencyCase{"Each Monday", At(2026, 12, 15), false},
                      TFrequencyCase{"Each Tuesday", At(2026, 12, 15), true},
                      TFrequencyCase{"Each Tuesday", At(2026, 12, 14), false},
                      TFrequencyCase{"Each Wednesday", At(2026, 12, 9), true},
                      TFrequencyCase{"Each Wednesday", At(2026, 12, 10), false},
                      TFrequencyCase{"Each Thursday", At(2026, 12, 10), true},
                      TFrequencyCase{"Each Thursday", At(2026, 12, 9), false},
                      TFrequencyCase{"Each Friday", At(2026, 12, 11), true},
                      TFrequencyCase{"Each Friday", At(2026, 12, 12), false},
                      TFrequencyCase{"Each Saturday", At(2026, 12, 12), true},
                      TFrequencyCase{"Each Saturday", At(2026, 12, 13), false},
                      // The start date of a weekly row only names the weekday: it fires before that date too.
                      TFrequencyCase{"Weekly starting from 12/16/2026", At(2026, 12, 9), true},
                      TFrequencyCase{"Weekly starting from 12/16/2026", At(2026, 12, 10), false},
                      // A monthly row from the 31st keeps silent in months of 30 days.
                      TFrequencyCase{"Monthly starting from 12/31/2026", At(2026, 10, 31), true},
                      TFrequencyCase{"Monthly starting from 12/31/2026", At(2027, 1, 31), true},
                      TFrequencyCase{"Monthly starting from 12/31/2026", At(2026, 11, 30), false},
                      TFrequencyCase{"Only at date 12/09/2026", At(2026, 12, 9), true},
                      TFrequencyCase{"Only at date 12/09/2026", At(2026, 12, 10), false},
                      TFrequencyCase{"Only at date 12/09/2026", At(2027, 12, 9), false},
                      // A text that names no frequency counts as "Daily".
                      TFrequencyCase{"Fortnightly", At(2026, 12, 12), true}));

TEST(IsDueTodayTest, UnknownCodeIsNeverDue) {
    EXPECT_FALSE(IsDueToday(12, At(2026, 12, 9), At(2026, 12, 9)));
    EXPECT_FALSE(IsDueToday(-1, At(2026, 12, 9), At(2026, 12, 9)));
}

TEST_F(ScheduleTest, CollectsOnlyRowsOfTheMinuteAndDistributionInDisplayOrder) {
    AddRow("b@example.org", "09 : 05");
    AddRow("c@example.org", "09 : 06");
    AddRow("d@example.org", "9 : 05"); // not the time text of 09:05
    AddRow("e@example.org", "09 : 05", "Daily", "CC");
    AddRow("f@example.org", "09 : 05", "Daily", "bcc"); // distribution texts compare with case
    AddRow("a@example.org", "09 : 05");
    AddRow("b@example.org", "09 : 05");
    EXPECT_EQ(Schedule.CollectDueRecipients(0, 9, 5), "b@example.org,a@example.org,b@example.org");
    EXPECT_EQ(Schedule.CollectDueRecipients(1, 9, 5), "e@example.org");
    EXPECT_EQ(Schedule.CollectDueRecipients(0, 10, 5), "");
}

TEST_F(ScheduleTest, FirstTickMailsTheCurrentMinuteAtOnceAndOnlyOnce) {
    AddRow("a@example.org", "09 : 05");
    AddRow("b@example.org", "09 : 06");
    TickAt(At(2026, 12, 9, 9, 5, 30));
    EXPECT_EQ(Mailer.Sent, (std::vector<TMailing>{{"a@example.org", 0}}));
    TickAt(At(2026, 12, 9, 9, 5, 31));
    TickAt(At(2026, 12, 9, 9, 5, 59));
    EXPECT_EQ(Mailer.Sent.size(), 1u);
    TickAt(At(2026, 12, 9, 9, 6, 0));
    EXPECT_EQ(Mailer.Sent, (std::vector<TMailing>{{"a@example.org", 0}, {"b@example.org", 0}}));
    EXPECT_EQ(Schedule.LastTickHour, 9);
    EXPECT_EQ(Schedule.LastTickMinute, 6);
}

TEST_F(ScheduleTest, MinuteWithoutTicksIsLostForGood) {
    // The window was open (timer off) during all of 09:05.
    AddRow("a@example.org", "09 : 05");
    TickAt(At(2026, 12, 9, 9, 4, 59));
    TickAt(At(2026, 12, 9, 9, 6, 0));
    TickAt(At(2026, 12, 9, 9, 7, 0));
    EXPECT_TRUE(Mailer.Sent.empty());
}

TEST_F(ScheduleTest, ClosingTheWindowWithinTheMinuteMailsItOnce) {
    AddRow("a@example.org", "09 : 05");
    TickAt(At(2026, 12, 9, 9, 4, 0)); // opened at 09:04, closed at 09:05:40
    TickAt(At(2026, 12, 9, 9, 5, 40));
    EXPECT_EQ(Mailer.Sent.size(), 1u);
    TickAt(At(2026, 12, 9, 9, 5, 50)); // opened and closed again within 09:05
    EXPECT_EQ(Mailer.Sent.size(), 1u);
}

TEST_F(ScheduleTest, BccMailingComesBeforeCcMailing) {
    AddRow("c@example.org", "09 : 05", "Daily", "CC");
    AddRow("a@example.org", "09 : 05");
    AddRow("b@example.org", "09 : 05", "Each Wednesday");
    AddRow("x@example.org", "09 : 05", "Daily", "BCC ");
    TickAt(At(2026, 12, 9, 9, 5, 0));
    EXPECT_EQ(Mailer.Sent, (std::vector<TMailing>{{"a@example.org,b@example.org", 0}, {"c@example.org", 1}}));
}

TEST_F(ScheduleTest, ClockSetBackRepeatsMinutesAndSetForwardSkipsThem) {
    AddRow("a@example.org", "02 : 30");
    AddRow("b@example.org", "03 : 10");
    TickAt(At(2026, 10, 25, 2, 30, 0));
    TickAt(At(2026, 10, 25, 2, 59, 59));
    TickAt(At(2026, 10, 25, 2, 0, 0)); // back one hour
    TickAt(At(2026, 10, 25, 2, 30, 0));
    EXPECT_EQ(Mailer.Sent, (std::vector<TMailing>{{"a@example.org", 0}, {"a@example.org", 0}}));
    TickAt(At(2026, 10, 25, 3, 0, 0));
    TickAt(At(2026, 10, 25, 4, 0, 0)); // forward one hour: 03:10 never seen
    EXPECT_EQ(Mailer.Sent.size(), 2u);
}

TEST_F(ScheduleTest, RowWithUnreadableDateIsReportedAndTheOthersStillGetTheirMailing) {
    AddRow("a@example.org", "09 : 05");
    AddRow("bad@example.org", "09 : 05", "Weekly starting from 2026-12-09x");
    AddRow("b@example.org", "09 : 05");
    AddRow("c@example.org", "09 : 05", "Daily", "CC");
    TickAt(At(2026, 12, 9, 9, 5, 0));
    EXPECT_EQ(Mailer.Sent, (std::vector<TMailing>{{"a@example.org,b@example.org", 0}, {"c@example.org", 1}}));
    ASSERT_EQ(Errors.Messages.size(), 1u);
    EXPECT_EQ(Errors.Messages[0], "'2026-12-09x' is not a valid date");
    // The minute stays recorded: no second report within it.
    TickAt(At(2026, 12, 9, 9, 5, 1));
    EXPECT_EQ(Errors.Messages.size(), 1u);
}

TEST_F(ScheduleTest, RefusedBccMailingIsReportedAndTheCcScanStillRuns) {
    AddRow("@", "09 : 05");
    AddRow("c@example.org", "09 : 05", "Daily", "CC");
    // The mail job refuses the BCC mailing before its session.
    struct TRefusingMailer final : TMailSender {
        void SendMailTo(const std::string& recipients, std::uint8_t distribution) override {
            Sent.push_back(TMailing{recipients, distribution});
            if (distribution == 0)
                throw std::runtime_error("The sender's address may not be empty!");
        }
        bool IsMailing() const override { return false; }
        std::vector<TMailing> Sent;
    } refusing;
    TSchedule schedule{Clock, Formats, Rows, refusing, Errors};
    schedule.TimerTimer();
    EXPECT_EQ(refusing.Sent, (std::vector<TMailing>{{"@", 0}, {"c@example.org", 1}}));
    EXPECT_EQ(Errors.Messages, std::vector<std::string>{"The sender's address may not be empty!"});
}

TEST_F(ScheduleTest, TickOfANewMinuteDuringAMailingRunsItsPassWhenTheMailingEnds) {
    AddRow("a@example.org", "09 : 05");
    AddRow("c@example.org", "09 : 05", "Daily", "CC");
    AddRow("b@example.org", "09 : 06");
    int nested = 0;
    Mailer.DuringMailing = [&] {
        // The server is slow: ticks keep coming while the mailing waits.
        if (nested++ == 0) {
            TickAt(At(2026, 12, 9, 9, 5, 59));
            TickAt(At(2026, 12, 9, 9, 6, 1));
            TickAt(At(2026, 12, 9, 9, 6, 2));
            EXPECT_EQ(Mailer.Sent.size(), 1u) << "a second mailing started on the busy client";
        }
    };
    TickAt(At(2026, 12, 9, 9, 5, 0));
    // The 09:05 pass compares with 09:05 to its end, then 09:06 gets its own pass.
    EXPECT_EQ(Mailer.Sent,
              (std::vector<TMailing>{{"a@example.org", 0}, {"c@example.org", 1}, {"b@example.org", 0}}));
    EXPECT_FALSE(Schedule.PassPending());
}

TEST_F(ScheduleTest, TickDuringASendNowMailingWaitsForItsEnd) {
    AddRow("a@example.org", "09 : 05");
    Mailer.Mailing = true; // "Send Now!" is waiting on the network
    TickAt(At(2026, 12, 9, 9, 5, 0));
    EXPECT_TRUE(Mailer.Sent.empty());
    EXPECT_TRUE(Schedule.PassPending());
    Mailer.Mailing = false;
    Schedule.RunPendingPasses();
    EXPECT_EQ(Mailer.Sent, (std::vector<TMailing>{{"a@example.org", 0}}));
}

TEST_F(ScheduleTest, DisableOrExitDuringAMailingDropsTheWaitingMinutes) {
    AddRow("a@example.org", "09 : 05");
    AddRow("b@example.org", "09 : 06");
    AddRow("c@example.org", "09 : 05", "Daily", "CC");
    Mailer.DuringMailing = [&] {
        if (Mailer.Sent.size() == 1) {
            TickAt(At(2026, 12, 9, 9, 6, 0));
            Schedule.SchedulingEnabled = false;
        }
    };
    TickAt(At(2026, 12, 9, 9, 5, 0));
    // The pass that was running finishes; the 09:06 pass does not run.
    EXPECT_EQ(Mailer.Sent, (std::vector<TMailing>{{"a@example.org", 0}, {"c@example.org", 1}}));

    Mailer.Sent.clear();
    Schedule.SchedulingEnabled = true;
    Mailer.DuringMailing = [&] { Schedule.Stop(); };
    TickAt(At(2026, 12, 9, 9, 5, 0));
    EXPECT_EQ(Mailer.Sent, (std::vector<TMailing>{{"a@example.org", 0}}));
}

} // namespace
} // namespace corvalet
