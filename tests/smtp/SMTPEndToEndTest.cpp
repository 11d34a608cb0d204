// The SMTP client against a real SMTP server (aiosmtpd on 127.0.0.1); the stored message is read
// back with Python's email package.
#include "smtp/SMTP.h"

#include <gtest/gtest.h>

#include "support/AiosmtpdServer.h"
#include "support/TempDir.h"

namespace corvalet::test {
namespace {

using Lines = std::vector<std::string>;

class SMTPEndToEndTest : public ::testing::Test {
protected:
    SMTPEndToEndTest() {
        Smtp.Host = "127.0.0.1";
        Smtp.Port = Server.Port();
        Smtp.ReadTimeout = 5000;
    }

    // Writes body lines as the message writer does: CR LF after each, a leading dot doubled.
    void WriteBody(const Lines& lines) {
        for (const std::string& line : lines)
            Smtp.WriteLine(!line.empty() && line[0] == '.' ? "." + line : line);
    }

    std::string Check(int delivery, const std::vector<std::string>& arguments) {
        std::vector<std::string> all{Server.MessagePath(delivery)};
        all.insert(all.end(), arguments.begin(), arguments.end());
        std::string output;
        const int status = RunSupportScript("check_message.py", all, output);
        return status == 0 ? "" : "exit " + std::to_string(status) + ": " + output;
    }

    TAiosmtpdServer Server;
    TNetSMTP Smtp;
    TTempDir Files;
};

TEST_F(SMTPEndToEndTest, PlainTextMessageReachesEveryRecipient) {
    const Lines body{"Hello,", "", ".a line that began with a dot", ".", "Regards"};
    Smtp.Connect();
    Smtp.SendTransaction({"sender@x.test", {"cc1@x.test", "cc2@x.test", "bcc@x.test"}}, [&] {
        Smtp.WriteLines({"From: sender@x.test", "Cc: cc1@x.test, cc2@x.test", "Subject: Weekly report",
                         "MIME-Version: 1.0", "Content-Type: text/plain; charset=us-ascii",
                         "Content-Transfer-Encoding: 7bit", ""});
        WriteBody(body);
    });
    Smtp.Disconnect();

    ASSERT_TRUE(Server.WaitForDelivery(1));
    EXPECT_EQ(Server.Envelope(1), (Lines{"sender@x.test", "cc1@x.test", "cc2@x.test", "bcc@x.test"}));
    Files.Write("body.txt", "Hello,\n\n.a line that began with a dot\n.\nRegards\n");
    EXPECT_EQ(Check(1, {"--subject", "Weekly report", "--body", Files.File("body.txt").string()}), "");
}

TEST_F(SMTPEndToEndTest, TwoMailingsOnOneConnection) {
    Smtp.Connect();
    for (const char* recipient : {"bcc@x.test", "cc@x.test"}) {
        Smtp.SendTransaction({"sender@x.test", {recipient}}, [&] {
            Smtp.WriteLines({"Subject: Report", ""});
            WriteBody({"text"});
        });
    }
    Smtp.Disconnect();
    ASSERT_TRUE(Server.WaitForDelivery(2));
    EXPECT_EQ(Server.Envelope(1), (Lines{"sender@x.test", "bcc@x.test"}));
    EXPECT_EQ(Server.Envelope(2), (Lines{"sender@x.test", "cc@x.test"}));
}

} // namespace
} // namespace corvalet::test
