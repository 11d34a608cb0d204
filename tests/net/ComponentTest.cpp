#include "net/Component.h"

#include <gtest/gtest.h>

namespace corvalet {
namespace {

TEST(StatusTextTest, EachStatusHasItsText) {
    EXPECT_EQ(StatusText(TNetStatus::hsResolving, "mail.test"), "Resolving hostname mail.test.");
    EXPECT_EQ(StatusText(TNetStatus::hsConnecting, "127.0.0.1"), "Connecting to 127.0.0.1.");
    EXPECT_EQ(StatusText(TNetStatus::hsConnected), "Connected.");
    EXPECT_EQ(StatusText(TNetStatus::hsDisconnecting), "Disconnecting.");
    EXPECT_EQ(StatusText(TNetStatus::hsDisconnected), "Disconnected.");
    EXPECT_EQ(StatusText(TNetStatus::hsStatusText, "anything"), "anything");
}

TEST(ComponentTest, StatusReachesTheListenerOnly) {
    TNetComponent component;
    component.ReportStatus(TNetStatus::hsConnected); // no listener: nothing happens
    std::string seen;
    component.OnStatus = [&](TNetComponent& sender, TNetStatus status, const std::string& text) {
        EXPECT_EQ(&sender, &component);
        EXPECT_EQ(status, TNetStatus::hsResolving);
        seen = text;
    };
    component.ReportStatus(TNetStatus::hsResolving, "mail.test");
    EXPECT_EQ(seen, "Resolving hostname mail.test.");
}

TEST(ComponentTest, WorkNotificationsNestAndReportRunningTotals) {
    TNetComponent component;
    std::string log;
    component.OnWorkBegin = [&](TNetComponent&, TWorkMode mode, std::int64_t max) {
        log += (mode == TWorkMode::wmRead ? "begin-read " : "begin-write ") + std::to_string(max) + ";";
    };
    component.OnWork = [&](TNetComponent&, TWorkMode, std::int64_t count) {
        log += std::to_string(count) + ";";
    };
    component.OnWorkEnd = [&](TNetComponent&, TWorkMode) { log += "end;"; };

    component.WorkProgress(TWorkMode::wmWrite, 5); // outside a start: not reported
    component.WorkStart(TWorkMode::wmWrite, 100);
    component.WorkProgress(TWorkMode::wmWrite, 10);
    component.WorkStart(TWorkMode::wmWrite, 7); // nested: no second begin
    component.WorkProgress(TWorkMode::wmWrite, 20);
    component.WorkStop(TWorkMode::wmWrite);       // inner stop: no end yet
    component.WorkProgress(TWorkMode::wmRead, 3); // other mode not started
    component.WorkStop(TWorkMode::wmWrite);
    component.WorkStop(TWorkMode::wmWrite); // unmatched stop does nothing
    component.WorkStart(TWorkMode::wmWrite, 1);
    component.WorkProgress(TWorkMode::wmWrite, 4);

    EXPECT_EQ(log, "begin-write 100;10;30;end;begin-write 1;4;");
}

} // namespace
} // namespace corvalet
