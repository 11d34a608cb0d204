#include "app/Schedule.h"

#include "app/MailJob.h"

#include "support/FakeClock.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <functional>
#include <map>
#include <optional>
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
    TMailOutcome Deliver(const TMailRequest& request) override {
        Sent.push_back(TMailing{request.Recipients, request.Distribution});
        Mailing = true;
        // What happens while the mailing waits on the network.
        if (DuringMailing)
            DuringMailing();
        Mailing = false;
        TMailOutcome outcome;
        outcome.Sent = true;
        return outcome;
    }
    std::string NewMessageId() override { return "<id@example.org>"; }
    bool IsMailing() const override { return Mailing; }
    void ReportMissed(const std::string& recipients, const TDateTime& due) override {
        Missed.push_back({recipients, due});
    }

    std::vector<TMailing> Sent;
    std::vector<std::pair<std::string, TDateTime>> Missed;
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
    // Minutes missed are not caught up unless a test asks for it.
    int CatchUp = 0;
    TDeliveryState State{""};
    TSchedule Schedule{Clock, Formats, Rows, Mailer, Errors, State, [this] { return CatchUp; }};
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
                      // "Starting from" a Wednesday: that weekday from the date on, never before it.
                      TFrequencyCase{"Weekly starting from 12/16/2026", At(2026, 12, 9), false},
                      TFrequencyCase{"Weekly starting from 12/16/2026", At(2026, 12, 16), true},
                      TFrequencyCase{"Weekly starting from 12/16/2026", At(2027, 3, 3), true},
                      TFrequencyCase{"Weekly starting from 12/16/2026", At(2026, 12, 17), false},
                      // A monthly row from the 31st: from that date on, and silent in months without a 31st.
                      TFrequencyCase{"Monthly starting from 12/31/2026", At(2026, 10, 31), false},
                      TFrequencyCase{"Monthly starting from 12/31/2026", At(2026, 12, 31), true},
                      TFrequencyCase{"Monthly starting from 12/31/2026", At(2027, 1, 31), true},
                      TFrequencyCase{"Monthly starting from 12/31/2026", At(2027, 2, 28), false},
                      TFrequencyCase{"Monthly starting from 12/31/2026", At(2027, 4, 30), false},
                      TFrequencyCase{"Monthly starting from 12/31/2026", At(2027, 5, 31), true},
                      TFrequencyCase{"Monthly starting from 01/15/2027", At(2026, 12, 15), false},
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
    EXPECT_EQ(Schedule.LastEvaluatedMinute(), At(2026, 12, 9, 9, 6, 0));
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

// The local times the system's clock shows at instants `step` seconds apart, under the time zone
// rules of `zone`.
std::vector<TDateTime> LocalTicks(const char* zone, const TDateTime& fromUtc, const TDateTime& toUtc,
                                  int stepSeconds) {
    const auto utcMs = [](const TDateTime& t) {
        return ((t.DayNumber() * 24 + t.Hour) * 60 + t.Minute) * 60000 + t.Second * 1000;
    };
    const char* saved = std::getenv("TZ");
    const std::optional<std::string> previous = saved ? std::optional<std::string>(saved) : std::nullopt;
    ::setenv("TZ", zone, 1);
    ::tzset();
    std::vector<TDateTime> ticks;
    for (std::int64_t at = utcMs(fromUtc); at <= utcMs(toUtc); at += stepSeconds * 1000)
        ticks.push_back(LocalTimeAt(at));
    if (previous)
        ::setenv("TZ", previous->c_str(), 1);
    else
        ::unsetenv("TZ");
    ::tzset();
    return ticks;
}

TDateTime Ms(TDateTime time, int millisecond) {
    time.Millisecond = millisecond;
    return time;
}

// 2026-12-14 is a Monday.
TDateTime Monday(int hour, int minute, int second = 0) {
    return At(2026, 12, 14, hour, minute, second);
}
TDateTime Tuesday(int hour, int minute, int second = 0) {
    return At(2026, 12, 15, hour, minute, second);
}

struct TTickCase {
    const char* Name;
    std::vector<TScheduleRow> Rows;
    std::vector<TDateTime> Ticks;
    // Ticks that come while the mailing to these recipients waits on the network.
    std::map<std::string, std::vector<TDateTime>> DuringMailing;
    std::vector<TMailing> Mailed;
    std::vector<std::string> Errors = {};
    const char* DatePattern = "MM/dd/yyyy";
};

std::vector<TTickCase> TickCases() {
    return {
        {"a pass that waited for a mailing runs after midnight on the date of its minute",
         {{"slow@x", "23 : 58", "Daily", "BCC"},
          {"mon@x", "23 : 59", "Each Monday", "BCC"},
          {"once@x", "23 : 59", "Only at date 12/14/2026", "BCC"},
          {"tue@x", "23 : 59", "Each Tuesday", "BCC"},
          {"cc-mon@x", "23 : 59", "Each Monday", "CC"}},
         {Monday(23, 58)},
         {{"slow@x", {Monday(23, 59), Tuesday(0, 0, 5)}}},
         {{"slow@x", 0}, {"mon@x,once@x", 0}, {"cc-mon@x", 1}}},
        {"the CC scan after a BCC mailing that ends after midnight",
         {{"bcc@x", "23 : 59", "Each Monday", "BCC"},
          {"cc-mon@x", "23 : 59", "Each Monday", "CC"},
          {"cc-once@x", "23 : 59", "Only at date 12/14/2026", "CC"},
          {"cc-tue@x", "23 : 59", "Each Tuesday", "CC"}},
         {Monday(23, 59)},
         {{"bcc@x", {Tuesday(0, 0, 30)}}},
         {{"bcc@x", 0}, {"cc-mon@x,cc-once@x", 1}}},
        {"the window open from Monday 09:05 to Tuesday 09:05:30",
         {{"a@x", "09 : 05", "Daily", "BCC"}},
         {Monday(9, 5), Tuesday(9, 5, 30), Tuesday(9, 5, 31)},
         {},
         {{"a@x", 0}, {"a@x", 0}}},
        {"a time-sync step back of 0.8 s across a minute boundary",
         {{"a@x", "09 : 05", "Daily", "BCC"}, {"b@x", "09 : 06", "Daily", "BCC"}},
         {Ms(Monday(9, 5, 59), 900), Ms(Monday(9, 6, 0), 300), Ms(Monday(9, 5, 59), 500),
          Ms(Monday(9, 6, 0), 500), Monday(9, 6, 1)},
         {},
         {{"a@x", 0}, {"b@x", 0}}},
        {"a clock set back by an hour: minutes seen are not mailed again, minutes never seen are",
         {{"a@x", "09 : 30", "Daily", "BCC"},
          {"b@x", "10 : 15", "Daily", "BCC"},
          {"c@x", "09 : 45", "Daily", "CC"}},
         {Monday(9, 30), Monday(10, 15), Monday(10, 20), Monday(9, 20), Monday(9, 30), Monday(9, 45),
          Monday(10, 15), Monday(10, 16)},
         {},
         {{"a@x", 0}, {"b@x", 0}, {"c@x", 1}}},
        {"a minute skipped by a jump forward stays skipped",
         {{"a@x", "09 : 30", "Daily", "BCC"}},
         {Monday(9, 0), Monday(10, 0), Monday(10, 1)},
         {},
         {}},
        {"end of summer time in Europe/Berlin: 02:00 to 02:59 come twice",
         {{"a@x", "02 : 30", "Daily", "BCC"},
          {"b@x", "03 : 05", "Daily", "BCC"},
          {"c@x", "01 : 55", "Daily", "BCC"}},
         LocalTicks("Europe/Berlin", At(2026, 10, 24, 23, 50), At(2026, 10, 25, 2, 10), 20),
         {},
         {{"c@x", 0}, {"a@x", 0}, {"b@x", 0}}},
        {"start of summer time in Europe/Berlin: 02:00 to 02:59 never come",
         {{"a@x", "02 : 30", "Daily", "BCC"},
          {"b@x", "03 : 00", "Daily", "BCC"},
          {"c@x", "01 : 59", "Daily", "BCC"}},
         LocalTicks("Europe/Berlin", At(2026, 3, 29, 0, 50), At(2026, 3, 29, 1, 10), 20),
         {},
         {{"c@x", 0}, {"b@x", 0}}},
        {"a date under another locale's separators is the row's error; the others are mailed",
         {{"a@x", "09 : 05", "Only at date 12/09/2026", "BCC"},
          {"b@x", "09 : 05", "Only at date 09.12.2026", "BCC"},
          {"c@x", "09 : 05", "Daily", "CC"}},
         {At(2026, 9, 12, 9, 5), At(2026, 12, 9, 9, 5)},
         {},
         {{"c@x", 1}, {"b@x", 0}, {"c@x", 1}},
         {"'12/09/2026' is not a valid date", "'12/09/2026' is not a valid date"},
         "dd.MM.yyyy"},
    };
}

// Each due (date, time) is mailed once and never early, whatever the clock does.
TEST(ScheduleTicksTest, EachDueMinuteIsMailedOnce) {
    for (TTickCase& c : TickCases()) {
        SCOPED_TRACE(c.Name);
        TFakeClock clock;
        const TFormatSettings formats{c.DatePattern, "HH:mm:ss"};
        TFakeRows rows;
        rows.Rows = c.Rows;
        TFakeMailer mailer;
        TFakeErrors errors;
        TDeliveryState state{""};
        TSchedule schedule{clock, formats, rows, mailer, errors, state, [] { return 0; }};
        const auto tick = [&](const TDateTime& when) {
            clock.Set(when);
            schedule.TimerTimer();
        };
        mailer.DuringMailing = [&] {
            const auto slow = c.DuringMailing.find(mailer.Sent.back().Recipients);
            if (slow == c.DuringMailing.end())
                return;
            const std::vector<TDateTime> ticks = slow->second;
            c.DuringMailing.erase(slow);
            for (const TDateTime& when : ticks)
                tick(when);
        };
        for (const TDateTime& when : c.Ticks)
            tick(when);
        EXPECT_EQ(mailer.Sent, c.Mailed);
        EXPECT_EQ(errors.Messages, c.Errors);
    }
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
        TMailOutcome Deliver(const TMailRequest& request) override {
            Sent.push_back(TMailing{request.Recipients, request.Distribution});
            if (request.Distribution == 0)
                throw std::runtime_error("The sender's address may not be empty!");
            TMailOutcome outcome;
            outcome.Sent = true;
            return outcome;
        }
        std::string NewMessageId() override { return "<id@example.org>"; }
        bool IsMailing() const override { return false; }
        void ReportMissed(const std::string&, const TDateTime&) override {}
        std::vector<TMailing> Sent;
    } refusing;
    TSchedule schedule{Clock, Formats, Rows, refusing, Errors, State, [] { return 0; }};
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
    TickAt(At(2026, 12, 10, 9, 5, 0));
    EXPECT_EQ(Mailer.Sent, (std::vector<TMailing>{{"a@example.org", 0}}));
}

// Minutes never evaluated since the latest one: the rows due in them get one late mailing each, in
// the order of their minutes, when that is at most the catch-up's minutes ago.
struct TCatchUpCase {
    const char* Name;
    std::vector<TScheduleRow> Rows;
    std::vector<TDateTime> Ticks;
    std::vector<TMailing> Sent;
    std::vector<std::pair<std::string, TDateTime>> Missed;
    int CatchUp = 120;
};

std::vector<TCatchUpCase> CatchUpCases() {
    const TDateTime wed = At(2026, 12, 9, 0, 0);
    const auto on = [](TDateTime day, int hour, int minute) {
        day.Hour = hour;
        day.Minute = minute;
        return day;
    };
    return {
        {"the lid closed from 09:05 to 09:30: the 09:10 and 09:20 mailings go out late, BCC before CC",
         {{"a@x", "09 : 10", "Daily", "BCC"},
          {"b@x", "09 : 10", "Daily", "BCC"},
          {"c@x", "09 : 10", "Daily", "CC"},
          {"d@x", "09 : 20", "Daily", "BCC"},
          {"e@x", "09 : 30", "Daily", "BCC"}},
         {on(wed, 9, 5), on(wed, 9, 30), on(wed, 9, 31)},
         {{"a@x,b@x", 0}, {"c@x", 1}, {"d@x", 0}, {"e@x", 0}},
         {}},
        {"asleep beyond the bound: not mailed, reported with its minute",
         {{"a@x", "09 : 10", "Daily", "BCC"}, {"c@x", "10 : 00", "Daily", "CC"}},
         {on(wed, 9, 5), on(wed, 11, 11)},
         {{"c@x", 1}},
         {{"a@x", on(wed, 9, 10)}}},
        {"three days off with a daily row: one late mailing, for the latest day",
         {{"a@x", "09 : 10", "Daily", "BCC"}},
         {on(wed, 9, 5), on(wed.AddDays(3), 10, 0)},
         {{"a@x", 0}},
         {}},
        {"three days off, back too late for the last one: reported once",
         {{"a@x", "09 : 10", "Daily", "BCC"}, {"w@x", "09 : 10", "Each Thursday", "CC"}},
         {on(wed, 9, 5), on(wed.AddDays(3), 12, 0)},
         {},
         {{"w@x", on(wed.AddDays(1), 9, 10)}, {"a@x", on(wed.AddDays(3), 9, 10)}}},
        {"a row not due on the missed minute's date is not mailed",
         {{"a@x", "23 : 59", "Each Wednesday", "BCC"}, {"b@x", "00 : 01", "Each Wednesday", "BCC"}},
         {on(wed, 23, 50), on(wed.AddDays(1), 0, 30)},
         {{"a@x", 0}},
         {}},
        {"the window open over the due minute: caught up when ticks come again",
         {{"a@x", "09 : 10", "Daily", "BCC"}},
         {on(wed, 9, 9), on(wed, 9, 40), on(wed, 9, 40)},
         {{"a@x", 0}},
         {}},
        {"a clock set back: nothing is caught up",
         {{"a@x", "09 : 10", "Daily", "BCC"}},
         {on(wed, 9, 30), on(wed, 9, 0), on(wed, 9, 31)},
         {},
         {}},
        {"catch-up off: a skipped minute stays skipped and nothing is reported",
         {{"a@x", "09 : 10", "Daily", "BCC"}},
         {on(wed, 9, 5), on(wed, 11, 11)},
         {},
         {},
         0},
    };
}

TEST(ScheduleCatchUpTest, MissedMinutesAreMailedOnceLateOrReported) {
    for (const TCatchUpCase& c : CatchUpCases()) {
        SCOPED_TRACE(c.Name);
        TFakeClock clock;
        const TFormatSettings formats{"MM/dd/yyyy", "HH:mm:ss"};
        TFakeRows rows;
        rows.Rows = c.Rows;
        TFakeMailer mailer;
        TFakeErrors errors;
        TDeliveryState state{""};
        TSchedule schedule{clock, formats, rows, mailer, errors, state, [&c] { return c.CatchUp; }};
        for (const TDateTime& when : c.Ticks) {
            clock.Set(when);
            schedule.TimerTimer();
        }
        EXPECT_EQ(mailer.Sent, c.Sent);
        EXPECT_EQ(mailer.Missed, c.Missed);
        EXPECT_TRUE(errors.Messages.empty());
    }
}

// The program ended and started again: the state file says which minutes were evaluated.
TEST_F(ScheduleTest, ARestartNeitherMailsAMinuteAgainNorForgetsTheMinutesMissedMeanwhile) {
    test::TTempDir dir;
    const std::string path = dir.File("Corvalet.state").string();
    CatchUp = 120;
    AddRow("a@example.org", "09 : 05");
    AddRow("b@example.org", "09 : 20");
    {
        TDeliveryState state(path);
        ASSERT_EQ(state.Load(), "");
        TSchedule first{Clock, Formats, Rows, Mailer, Errors, state, [this] { return CatchUp; }};
        Clock.Set(At(2026, 12, 9, 9, 5, 10));
        first.TimerTimer();
    }
    const auto restart = [&](const TDateTime& when) {
        TDeliveryState state(path);
        EXPECT_EQ(state.Load(), "");
        TSchedule again{Clock, Formats, Rows, Mailer, Errors, state, [this] { return CatchUp; }};
        Clock.Set(when);
        again.TimerTimer();
    };
    restart(At(2026, 12, 9, 9, 5, 40));
    EXPECT_EQ(Mailer.Sent, (std::vector<TMailing>{{"a@example.org", 0}}));
    // Off from 09:06 to 09:30: the 09:20 mailing goes out at the start.
    restart(At(2026, 12, 9, 9, 30, 0));
    EXPECT_EQ(Mailer.Sent, (std::vector<TMailing>{{"a@example.org", 0}, {"b@example.org", 0}}));
    EXPECT_TRUE(Errors.Messages.empty());
}

// A first start, or one after the state file was found damaged, catches up nothing.
TEST_F(ScheduleTest, AStartWithoutAReadableStateCatchesUpNothing) {
    test::TTempDir dir;
    CatchUp = 120;
    AddRow("a@example.org", "09 : 05");
    dir.Write("Corvalet.state", "Corvalet state 1\nE garbage\n");
    TDeliveryState state(dir.File("Corvalet.state").string());
    EXPECT_NE(state.Load(), "");
    TSchedule schedule{Clock, Formats, Rows, Mailer, Errors, state, [this] { return CatchUp; }};
    Clock.Set(At(2026, 12, 9, 9, 30, 0));
    schedule.TimerTimer();
    EXPECT_TRUE(Mailer.Sent.empty());
    EXPECT_TRUE(Mailer.Missed.empty());
}

} // namespace
} // namespace corvalet
