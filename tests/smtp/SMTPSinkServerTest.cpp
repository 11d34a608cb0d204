// The discarding sink is the far end of the delivery benchmark: it must see every message end,
// wherever the network cuts the data.
#include "support/SMTPSinkServer.h"

#include <chrono>
#include <thread>

#include <gtest/gtest.h>

#include "smtp/SMTP.h"

namespace corvalet::test {
namespace {

bool WaitForMessages(const TSMTPSinkServer& sink, std::int64_t count) {
    for (int i = 0; i < 200 && sink.Messages() < count; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return sink.Messages() >= count;
}

TEST(SMTPSinkServerTest, CountsEveryMessageWhereverTheEndOfDataFalls) {
    TSMTPSinkServer sink;
    TNetSMTP smtp;
    smtp.Host = "127.0.0.1";
    smtp.Port = sink.Port();
    smtp.ReadTimeout = 2000;
    smtp.Connect();
    const std::string big(300000, 'x');
    smtp.SendTransaction({"a@x.test", {"b@x.test"}}, [&] { smtp.WriteLine(big); });
    smtp.SendTransaction({"a@x.test", {"b@x.test"}}, nullptr); // empty data
    smtp.SendTransaction({"a@x.test", {"b@x.test"}}, [&] {
        smtp.WriteText("line\r");
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        smtp.WriteText("\n");
    });
    smtp.Disconnect();
    EXPECT_TRUE(WaitForMessages(sink, 3));
    EXPECT_GE(sink.DataBytes(), 300000);
}

// Offered or not, the sink answers every command in turn, so the grouped envelope of a pipelining
// client gets through as the one-by-one one does.
TEST(SMTPSinkServerTest, OffersPipeliningWhenToldAndAnswersGroupedCommands) {
    TSMTPSinkServer sink;
    for (const bool offer : {true, false}) {
        sink.OfferPipelining(offer);
        TNetSMTP smtp;
        smtp.Host = "127.0.0.1";
        smtp.Port = sink.Port();
        smtp.ReadTimeout = 2000;
        smtp.Connect();
        EXPECT_EQ(smtp.Capabilities.Pipelining(), offer);
        smtp.SendTransaction({"a@x.test", {"b@x.test", "c@x.test", "d@x.test"}}, [&] { smtp.WriteLine("hi"); });
        smtp.Disconnect();
    }
    EXPECT_TRUE(WaitForMessages(sink, 2));
}

} // namespace
} // namespace corvalet::test
