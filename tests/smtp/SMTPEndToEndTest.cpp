// The SMTP client against a real SMTP server (aiosmtpd on 127.0.0.1); the stored message is read
// back with Python's email package.
#include "smtp/SMTP.h"

#include <random>

#include <gtest/gtest.h>

#include "support/AiosmtpdServer.h"
#include "support/PythonCheck.h"
#include "support/TempDir.h"

namespace corvalet::test {
namespace {

using Lines = std::vector<std::string>;

std::string RandomBytes(std::size_t size) {
    std::mt19937 random(7);
    std::string bytes(size, '\0');
    for (char& c : bytes)
        c = static_cast<char>(random());
    return bytes;
}

// A mailing as the mail job prepares it: one text part (HTML or plain, 7bit), subject, priority,
// at most one attachment, the due recipients as blind copies or copies.
class SMTPEndToEndTest : public ::testing::Test {
protected:
    SMTPEndToEndTest() {
        Smtp.Host = "127.0.0.1";
        Smtp.Port = Server.Port();
        Smtp.ReadTimeout = 5000;
        Message.From = {"sender@x.test", "Report Sender"};
        Message.Subject = "Weekly report \xE2\x80\x94 caf\xC3\xA9";
        Message.Priority = TNetMessagePriority::mpHigh;
    }

    void AddText(const Lines& body, const std::string& type) {
        TNetText& text = Message.Parts.AddText(body);
        text.SetContentType(type);
        text.SetContentTransfer("7bit");
    }

    std::string WriteFile(const std::string& name, const std::string& bytes) {
        Files.Write(name, bytes);
        return Files.File(name).string();
    }

    static std::string CrlfJoined(const Lines& lines) {
        std::string text;
        for (const std::string& line : lines)
            text += (text.empty() ? "" : "\r\n") + line;
        return text;
    }

    TPythonResult Check(int delivery, Lines arguments) {
        arguments.insert(arguments.begin(), {"message", Server.MessagePath(delivery), "--subject-file",
                                             WriteFile("subject.txt", Message.Subject)});
        return RunMessageCheck(arguments);
    }

    TAiosmtpdServer Server;
    TNetSMTP Smtp;
    TNetMessage Message;
    TTempDir Files;
};

TEST_F(SMTPEndToEndTest, TextOnlyMessageToBlindCopies) {
    const Lines body{"<p>Hello,</p>", "", ".a line that began with a dot", ".", "<p>Regards</p>"};
    SetAddresses(Message.BccList, "bcc1@x.test, Bea <bcc2@x.test>");
    AddText(body, "text/html");
    Smtp.Connect();
    Smtp.Send(Message);
    Smtp.Disconnect();

    ASSERT_TRUE(Server.WaitForDelivery(1));
    EXPECT_EQ(Server.Envelope(1), (Lines{"sender@x.test", "bcc1@x.test", "bcc2@x.test"}));
    const TPythonResult result = Check(1, {"--body-file", WriteFile("body.txt", CrlfJoined(body)),
                                           "--headers", "From,Subject,Content-Type,MIME-Version,Date"});
    EXPECT_EQ(result.ExitCode, 0) << result.Output;
}

TEST_F(SMTPEndToEndTest, TextWithAttachmentToCopies) {
    const Lines body{"Hello,", ".", "see the attachment"};
    SetAddresses(Message.CCList, "cc1@x.test, \"Smith, Al\" <cc2@x.test>");
    AddText(body, "text/plain");
    const std::string attachment = WriteFile("report.bin", RandomBytes(300 * 1024 + 5));
    Message.Parts.AddAttachment(attachment);
    Smtp.Connect();
    Smtp.Send(Message);
    Smtp.Disconnect();

    ASSERT_TRUE(Server.WaitForDelivery(1));
    EXPECT_EQ(Server.Envelope(1), (Lines{"sender@x.test", "cc1@x.test", "cc2@x.test"}));
    const TPythonResult result =
        Check(1, {"--body-file", WriteFile("body.txt", CrlfJoined(body)), "--blank-after", "1",
                  "--attachment", attachment, "--cc", "|cc1@x.test", "--cc", "Smith, Al|cc2@x.test",
                  "--headers", "From,Subject,Cc,Content-Type,MIME-Version,Date"});
    EXPECT_EQ(result.ExitCode, 0) << result.Output;
}

TEST_F(SMTPEndToEndTest, TwoMailingsOnOneConnection) {
    AddText({"text"}, "text/plain");
    Smtp.Connect();
    SetAddresses(Message.BccList, "bcc@x.test");
    Smtp.Send(Message);
    Message.BccList.Clear();
    SetAddresses(Message.CCList, "cc@x.test");
    Smtp.Send(Message);
    Smtp.Disconnect();
    ASSERT_TRUE(Server.WaitForDelivery(2));
    EXPECT_EQ(Server.Envelope(1), (Lines{"sender@x.test", "bcc@x.test"}));
    EXPECT_EQ(Server.Envelope(2), (Lines{"sender@x.test", "cc@x.test"}));
}

} // namespace
} // namespace corvalet::test
