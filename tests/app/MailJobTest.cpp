#include "app/MailJob.h"

#include "AppFakes.h"
#include "log/Logger.h"
#include "smtp/SMTPExceptions.h"
#include "support/FakeClock.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>

namespace corvalet {
namespace {

using test::TFakeClock;
using test::TTempDir;
using TFakeClient = test::TRecordingMailClient;
using TFakeDialogs = test::TRecordingDialogs;
using TFakeWindow = test::TFieldsWindow;

class MailJobTest : public ::testing::Test {
protected:
    MailJobTest() {
        Logger.SetLines(&LogLines);
        Logger.SetFilePath(Folder.File("Corvalet.log").string());
        TMailFields& fields = Window.Fields;
        fields.SenderName = "Corvalet Sender";
        fields.SenderAddress = "Sender@Example.org";
        fields.ContentType = 0;
        fields.Subject = "Weekly Report";
        fields.Priority = 2;
        fields.SMTPHost = "127.0.0.1";
        fields.PortNumber = "2525";
    }

    bool Called(const std::string& call) const { return Client.Called(call); }
    // The log lines after the "Errors log created on" header and its empty line.
    std::vector<std::string> Entries() const { return {LogLines.begin() + 2, LogLines.end()}; }

    TTempDir Folder;
    TFakeClock Clock{TDateTime{2026, 12, 9, 9, 5, 1, 0}};
    TFormatSettings Formats{"MM/dd/yyyy", "HH:mm:ss"};
    TFakeWindow Window;
    TFakeClient Client;
    TFakeDialogs Dialogs;
    std::vector<std::string> LogLines;
    TLogger Logger{Clock, Formats};
    int SavedTimeOut = 1;
    test::TFixedPasswordSource Passwords;
    TMailJob Job{Window, Client, Passwords, Dialogs, Logger, Clock, Formats, [this] { return SavedTimeOut; }};
};

TEST_F(MailJobTest, ComposesTheMessageFromTheWindowInTheDesignedOrder) {
    Folder.Write("body.html", "<p>Hello</p>\r\n.dot line\rlast\n");
    Window.Fields.BodyFileName = Folder.File("body.html").string();
    Window.Fields.Attachment = "report.pdf";
    Window.Fields.Priority = 0;
    Job.SendMailTo("a@example.org,b@example.org", 0);
    EXPECT_EQ(Client.Calls, (std::vector<std::string>{
                                "Clear",
                                "Recipients 0 a@example.org,b@example.org",
                                "From corvalet sender <sender@example.org>",
                                "Text text/html 7bit <p>Hello</p>|.dot line|last|",
                                "Subject Weekly Report",
                                "Priority 0",
                                "Attachment report.pdf",
                                "Host 127.0.0.1",
                                "Port 2525",
                                "Security 0",
                                "No login",
                                "Connect 30000",
                                "Send",
                                "Disconnect",
                            }));
    EXPECT_EQ(Window.WaitCursors, 0);
    EXPECT_FALSE(Job.IsMailing());
}

TEST_F(MailJobTest, EmptyOptionalFieldsLeaveTheirPartsOut) {
    Window.Fields.BodyFileName = "   ";
    Window.Fields.Attachment = " ";
    Window.Fields.ContentType = -1;
    Window.Fields.Priority = -1;
    Window.Fields.SMTPHost = "";
    Window.Fields.PortNumber = "";
    Job.SendMailTo("c@example.org", 1);
    EXPECT_TRUE(Called("Recipients 1 c@example.org"));
    EXPECT_TRUE(Called("Text   "));
    for (const std::string& call : Client.Calls) {
        EXPECT_NE(call.rfind("Priority", 0), 0u) << call;
        EXPECT_NE(call.rfind("Attachment", 0), 0u) << call;
        EXPECT_NE(call.rfind("Host", 0), 0u) << call; // the previous mailing's host stays
        EXPECT_NE(call.rfind("Port", 0), 0u) << call;
    }
}

TEST_F(MailJobTest, PlainTextBody) {
    Window.Fields.ContentType = 1;
    Job.SendMailTo("c@example.org", 0);
    EXPECT_TRUE(Called("Text text/plain 7bit "));
}

TEST(MailJobPortTest, PortFieldReadsAsDecimalOr25) {
    EXPECT_EQ(TMailJob::PortFromText("2525"), 2525);
    EXPECT_EQ(TMailJob::PortFromText("25a"), 25);
    EXPECT_EQ(TMailJob::PortFromText("587a"), 25);
    EXPECT_EQ(TMailJob::PortFromText("0x1A"), 25);
    EXPECT_EQ(TMailJob::PortFromText("70000"), 70000);
    EXPECT_EQ(TMailJob::PortFromText("-1"), -1);
}

TEST(MailJobTimeOutTest, ConnectTimeOutIsTheSavedStepTimesThirtySeconds) {
    EXPECT_EQ(TMailJob::ConnectTimeOutMs(0), 0);
    EXPECT_EQ(TMailJob::ConnectTimeOutMs(1), 30000);
    EXPECT_EQ(TMailJob::ConnectTimeOutMs(10), 300000);
    EXPECT_EQ(TMailJob::ConnectTimeOutMs(-2), 0);
    EXPECT_EQ(TMailJob::ConnectTimeOutMs(1000000), INT_MAX);
}

TEST_F(MailJobTest, ConnectTimeOutComesFromTheSavedSettingHostFromTheField) {
    SavedTimeOut = 3;
    Window.Fields.SMTPHost = "mail.example.org";
    Job.SendMailTo("a@example.org", 0);
    EXPECT_TRUE(Called("Connect 90000"));
    EXPECT_TRUE(Called("Host mail.example.org"));
}

struct TRefusal {
    const char* Name;
    std::function<void(TFakeWindow&)> Setup;
    std::string Recipients;
    int Distribution;
    std::string Message;
};

TEST_F(MailJobTest, RefusalsBeforeTheSessionPassOnAndSendNothing) {
    const std::string missing = Folder.File("missing.html").string();
    const std::vector<TRefusal> cases = {
        {"blank sender", [](TFakeWindow& w) { w.Fields.SenderAddress = "  "; }, "a@example.org", 0,
         "The sender's address may not be empty!"},
        {"blank sender before blank recipients", [](TFakeWindow& w) { w.Fields.SenderAddress = ""; }, " ", 0,
         "The sender's address may not be empty!"},
        {"blank recipients", [](TFakeWindow&) {}, " \t", 0, "The recipient's address may not be empty!"},
        {"no distribution", [](TFakeWindow&) {}, "a@example.org", 255,
         "Wrong distribution method for a@example.org!"},
        {"refused address", [&](TFakeWindow& w) { w.Fields.BodyFileName = missing; }, "@x", 1,
         "@ Outside address"},
        {"unreadable body file", [&](TFakeWindow& w) { w.Fields.BodyFileName = missing; }, "a@example.org", 0,
         "Cannot open file \"" + missing + "\". No such file or directory"},
        {"a device as the body file: never read", [](TFakeWindow& w) { w.Fields.BodyFileName = "/dev/zero"; },
         "a@example.org", 0, "Cannot open file \"/dev/zero\". It is not a regular file."},
        // An unknown protection is never taken as "None".
        {"a later version's security", [](TFakeWindow& w) { w.Fields.Security = 3; }, "a@example.org", 0,
         "Unknown Security setting 3: choose None, STARTTLS or TLS on the Connection page; nothing was sent"},
        {"a security that does not read as a number", [](TFakeWindow& w) { w.Fields.Security = -1; },
         "a@example.org", 0,
         "Unknown Security setting: choose None, STARTTLS or TLS on the Connection page; nothing was sent"},
    };
    for (const TRefusal& c : cases) {
        SCOPED_TRACE(c.Name);
        TFakeWindow window;
        window.Fields = Window.Fields;
        c.Setup(window);
        TFakeClient client;
        TMailJob job{window, client, Passwords, Dialogs, Logger, Clock, Formats, [] { return 1; }};
        try {
            job.SendMailTo(c.Recipients, static_cast<std::uint8_t>(c.Distribution));
            ADD_FAILURE() << "no error";
        } catch (const std::exception& error) {
            EXPECT_EQ(std::string(error.what()), c.Message);
        }
        for (const std::string& call : client.Calls)
            EXPECT_NE(call.rfind("Connect", 0), 0u) << call;
        EXPECT_EQ(window.WaitCursors, 0);
        EXPECT_FALSE(job.IsMailing());
    }
    EXPECT_TRUE(Dialogs.Shown.empty());
    EXPECT_TRUE(Entries().empty());
}

TEST_F(MailJobTest, TheSessionGetsTheProtectionTheTrustFileAndTheLoginWithItsPassword) {
    Window.Fields.Security = 1;
    Window.Fields.TrustFile = "/etc/ca.pem";
    Window.Fields.UserName = "ann";
    Passwords.Kept = "pw";
    Job.SendMailTo("a@example.org", 0);
    const std::vector<std::string> session(Client.Calls.end() - 7, Client.Calls.end());
    EXPECT_EQ(session, (std::vector<std::string>{"Host 127.0.0.1", "Port 2525", "Security 1 /etc/ca.pem",
                                                 "Login ann pw", "Connect 30000", "Send", "Disconnect"}));
    EXPECT_EQ(Passwords.Asked, 1);

    // No password to be had: the mailing fails before it connects, with the source's reason.
    Passwords.Kept.clear();
    Client.Calls.clear();
    Job.SendMailTo("b@example.org", 0);
    EXPECT_FALSE(Client.Called("Connect 30000"));
    EXPECT_EQ(Entries().back(), "ERROR:       12/09/2026 09:05:01 - Failed to send e-mail to: b@example.org; "
                                "Reason: No password for ann at 127.0.0.1");

    // Without a user name no one is asked.
    Window.Fields.UserName.clear();
    Job.SendMailTo("c@example.org", 0);
    EXPECT_TRUE(Client.Called("No login"));
    EXPECT_EQ(Passwords.Asked, 2);
}

TEST_F(MailJobTest, SuccessIsLoggedWhileHiddenAndShownInABoxWhileVisible) {
    Job.SendMailTo("a@example.org,b@example.org", 0);
    EXPECT_EQ(Entries(),
              std::vector<std::string>{"             12/09/2026 09:05:01 - Successfully send the e-mail to "
                                       "a@example.org,b@example.org."});
    EXPECT_TRUE(Dialogs.Shown.empty());

    Window.Visible = true;
    Job.SendMailTo("c@example.org", 1);
    EXPECT_EQ(Dialogs.Shown,
              std::vector<std::string>{"Information: Successfully send the e-mail to c@example.org."});
    EXPECT_EQ(Entries().size(), 1u);
}

TEST_F(MailJobTest, FailedSessionIsReportedAndDisconnected) {
    Client.SendError = "Read Timeout";
    Job.SendMailTo("a@example.org", 0);
    EXPECT_EQ(Entries(),
              std::vector<std::string>{"ERROR:       12/09/2026 09:05:01 - Failed to send e-mail to: "
                                       "a@example.org; Reason: Read Timeout"});
    EXPECT_EQ(Client.Calls.back(), "Disconnect");
    EXPECT_FALSE(Client.Connected);

    Window.Visible = true;
    Client.Calls.clear();
    Client.ConnectError = "Connect timed out.";
    Job.SendMailTo("a@example.org", 0);
    EXPECT_EQ(Dialogs.Shown, std::vector<std::string>{"Error: Connect timed out."});
    EXPECT_EQ(Entries().size(), 1u);
}

TEST_F(MailJobTest, PartlyDeliveredMailingKeepsWhoDidNotGetIt) {
    Client.DuringSend = [] {
        throw ENetPartialDelivery("Refused\r\n", 554, {"a@example.org"}, {"b@example.org", "c@example.org"});
    };
    Job.SendMailTo("a@example.org, b@example.org, c@example.org", 0);
    EXPECT_FALSE(Job.LastOutcome().Sent);
    EXPECT_EQ(Job.LastOutcome().Undelivered, (std::vector<std::string>{"b@example.org", "c@example.org"}));
    ASSERT_EQ(Entries().size(), 1u);
    EXPECT_NE(Entries()[0].find("not sent to: b@example.org, c@example.org)"), std::string::npos)
        << Entries()[0];

    Client.DuringSend = nullptr;
    Client.SendError = "Read Timeout";
    Job.SendMailTo("a@example.org", 0);
    EXPECT_TRUE(Job.LastOutcome().Undelivered.empty());
}

TEST_F(MailJobTest, BoxOrLogIsChosenWhenTheOutcomeIsKnown) {
    // The window is opened while the mailing waits on the network.
    Client.DuringSend = [this] { Window.Visible = true; };
    Job.SendMailTo("a@example.org", 0);
    EXPECT_EQ(Dialogs.Shown,
              std::vector<std::string>{"Information: Successfully send the e-mail to a@example.org."});
    EXPECT_TRUE(Entries().empty());
}

TEST_F(MailJobTest, ErrorsOnlyLogKeepsSuccessesOut) {
    Logger.Kinds = ErrorLogKinds;
    Job.SendMailTo("a@example.org", 0);
    EXPECT_TRUE(Entries().empty());
    Client.ConnectError = "Host not found.";
    Job.SendMailTo("a@example.org", 0);
    ASSERT_EQ(Entries().size(), 1u);
    EXPECT_EQ(Entries()[0].substr(0, 13), "ERROR:       ");
}

TEST_F(MailJobTest, DisconnectErrorAfterAFailurePassesOnAfterTheReport) {
    Client.SendError = "Read Timeout";
    Client.DisconnectFails = true;
    EXPECT_THROW(Job.SendMailTo("a@example.org", 0), std::runtime_error);
    EXPECT_EQ(Entries().size(), 1u);
    EXPECT_EQ(Window.WaitCursors, 0);
    EXPECT_FALSE(Job.IsMailing());
}

TEST_F(MailJobTest, OneMailingAtATime) {
    std::vector<bool> changes;
    Job.OnMailingChanged = [&](bool mailing) { changes.push_back(mailing); };
    Client.DuringSend = [this] {
        EXPECT_TRUE(Job.IsMailing());
        EXPECT_THROW(Job.SendMailTo("b@example.org", 0), EMailJobError);
    };
    Job.SendMailTo("a@example.org", 0);
    EXPECT_EQ(std::count(Client.Calls.begin(), Client.Calls.end(), "Send"), 1);
    EXPECT_EQ(changes, (std::vector<bool>{true, false}));
    EXPECT_EQ(Entries().size(), 1u);
}

} // namespace
} // namespace corvalet
