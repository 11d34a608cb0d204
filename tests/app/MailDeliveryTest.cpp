// The mail job on the data module's real SMTP client and message, against aiosmtpd and a scripted
// server on 127.0.0.1.

#include "AppFakes.h"
#include "app/CorvaletDataModule.h"
#include "app/PasswordSource.h"
#include "log/Logger.h"
#include "platform/TextFile.h"
#include "settings/Configuration.h"
#include "support/AiosmtpdServer.h"
#include "support/FakeClock.h"
#include "support/ScriptedSMTPServer.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace corvalet {
namespace {

using namespace test;

class MailDeliveryTest : public ::testing::Test {
protected:
    MailDeliveryTest() {
        Logger.SetLines(&LogLines);
        Logger.SetFilePath(Folder.File("Corvalet.log").string());
        Folder.Write("body.txt", "Line one\r\n.Line with a dot\r\n");
        TMailFields& fields = Window.Fields;
        fields.SenderName = "Team LEAD";
        fields.SenderAddress = "Lead@Example.org";
        fields.BodyFileName = Folder.File("body.txt").string();
        fields.ContentType = 1;
        fields.Subject = "Figures";
        fields.Priority = 2;
        fields.SMTPHost = "127.0.0.1";
    }

    std::string Message(int number) const {
        std::string bytes;
        ReadFileBytes(Server.MessagePath(number), bytes);
        return bytes;
    }
    static bool HasHeader(const std::string& message, const std::string& name) {
        const std::string head = message.substr(0, message.find("\r\n\r\n") + 2);
        return head.rfind(name + ":", 0) == 0 || head.find("\r\n" + name + ":") != std::string::npos;
    }
    std::vector<std::string> Entries() const { return {LogLines.begin() + 2, LogLines.end()}; }

    TTempDir Folder;
    TAiosmtpdServer Server;
    TFakeClock Clock{TDateTime{2026, 12, 9, 9, 5, 1, 0}};
    TFormatSettings Formats{"MM/dd/yyyy", "HH:mm:ss"};
    TLogger Logger{Clock, Formats};
    std::vector<std::string> LogLines;
    TRecordingDialogs Dialogs;
    TFieldsWindow Window;
    TCorvaletDataModule DataModule;
    TDataModuleMailClient Client{DataModule};
    TFixedPasswordSource Passwords;
    TMailJob Job{Window, Client, Passwords, Dialogs, Logger, Clock, Formats, [] { return 1; }};
};

TEST(CorvaletDataModuleTest, ComponentsAreConfiguredForTheProgram) {
    TCorvaletDataModule dataModule;
    EXPECT_EQ(dataModule.NetSMTP.Host, "mailhost");
    EXPECT_EQ(dataModule.NetSMTP.Port, 25);
    EXPECT_EQ(dataModule.NetSMTP.BoundPort, 0);
    EXPECT_EQ(dataModule.NetSMTP.ReadTimeout, 60000);
    EXPECT_EQ(dataModule.NetSMTP.MaxLineAction, TNetMaxLineAction::maException);
    EXPECT_EQ(dataModule.NetSMTP.AuthenticationType(), TAuthenticationType::atNone);
    EXPECT_EQ(dataModule.NetMessage.Encoding(), TNetMessageEncoding::meMIME);
    EXPECT_EQ(dataModule.NetMessage.AttachmentEncoding(), "MIME");
    EXPECT_FALSE(dataModule.NetAntiFreeze.OnlyWhenIdle);
}

TEST_F(MailDeliveryTest, TwoBccRecipientsGetOneMessageWithoutToOrCcLine) {
    Window.Fields.PortNumber = std::to_string(Server.Port());
    Job.SendMailTo("a@example.org,b@example.org", 0);
    ASSERT_TRUE(Server.WaitForDelivery(1));
    EXPECT_EQ(Server.Envelope(1),
              (std::vector<std::string>{"lead@example.org", "a@example.org", "b@example.org"}));
    const std::string message = Message(1);
    EXPECT_FALSE(HasHeader(message, "To"));
    EXPECT_FALSE(HasHeader(message, "Cc"));
    EXPECT_FALSE(HasHeader(message, "Bcc"));
    // The name typed with capitals goes out in small letters, as the address does.
    EXPECT_NE(message.find("From: \"team lead\" <lead@example.org>\r\n"), std::string::npos) << message;
    EXPECT_NE(message.find("\r\n.Line with a dot\r\n"), std::string::npos);
    EXPECT_NE(message.find("text/plain"), std::string::npos);
    EXPECT_EQ(Entries(),
              std::vector<std::string>{"             12/09/2026 09:05:01 - Successfully send the e-mail to "
                                       "a@example.org,b@example.org."});
    EXPECT_FALSE(DataModule.NetSMTP.IsConnected());
}

TEST_F(MailDeliveryTest, CcMailingCarriesTheCcLineAndAnEmptyPortKeepsThePreviousOne) {
    Window.Fields.PortNumber = std::to_string(Server.Port());
    Job.SendMailTo("a@example.org", 0);
    Window.Fields.PortNumber = "";
    Job.SendMailTo("c@example.org", 1);
    ASSERT_TRUE(Server.WaitForDelivery(2));
    EXPECT_EQ(Server.Envelope(2), (std::vector<std::string>{"lead@example.org", "c@example.org"}));
    EXPECT_TRUE(HasHeader(Message(2), "Cc"));
    EXPECT_NE(Message(2).find("\r\nCc: c@example.org\r\n"), std::string::npos) << Message(2);
}

TEST_F(MailDeliveryTest, ServerThatStopsAnsweringIsAFailedMailing) {
    TScriptedSMTPServer silent(std::vector<TSMTPRule>{{"MAIL FROM", "", TSMTPAction::Silent}});
    DataModule.NetSMTP.ReadTimeout = 300;
    Window.Fields.PortNumber = std::to_string(silent.Port());
    Job.SendMailTo("a@example.org", 0);
    EXPECT_EQ(Entries(),
              std::vector<std::string>{"ERROR:       12/09/2026 09:05:01 - Failed to send e-mail to: "
                                       "a@example.org; Reason: Read Timeout"});
    EXPECT_FALSE(DataModule.NetSMTP.IsConnected());
}

TEST_F(MailDeliveryTest, HostThatDoesNotResolveIsShownInABoxAndNotLogged) {
    Window.Visible = true;
    Window.Fields.SMTPHost = "corvalet-no-such-host.invalid";
    Window.Fields.PortNumber = "25";
    Job.SendMailTo("a@example.org", 0);
    ASSERT_EQ(Dialogs.Shown.size(), 1u);
    EXPECT_NE(Dialogs.Shown[0].find("Error: Socket Error # 11001"), std::string::npos) << Dialogs.Shown[0];
    EXPECT_NE(Dialogs.Shown[0].find("Host not found."), std::string::npos);
    EXPECT_TRUE(Entries().empty());
}

TEST_F(MailDeliveryTest, ErrorsOnlyLogKeepsSuccessesOutAndAddsOneErrorLine) {
    Logger.Kinds = ErrorLogKinds;
    Window.Fields.PortNumber = std::to_string(Server.Port());
    Job.SendMailTo("a@example.org", 0);
    ASSERT_TRUE(Server.WaitForDelivery(1));
    EXPECT_TRUE(Entries().empty());
    TScriptedSMTPServer refusing(std::vector<TSMTPRule>{{"RCPT TO", "550 No such user\r\n"}});
    Window.Fields.PortNumber = std::to_string(refusing.Port());
    Job.SendMailTo("nobody@example.org", 0);
    ASSERT_EQ(Entries().size(), 1u);
    EXPECT_EQ(
        Entries()[0].rfind("ERROR:       12/09/2026 09:05:01 - Failed to send e-mail to: nobody@example.org; "
                           "Reason: No such user",
                           0),
        0u)
        << Entries()[0];
}

TEST_F(MailDeliveryTest, ARefusedConnectionAndAReplyWithControlCharactersAreOneLogLineEach) {
    int closedPort = 0;
    {
        TScriptedSMTPServer gone;
        closedPort = gone.Port();
    }
    Window.Fields.PortNumber = std::to_string(closedPort);
    Job.SendMailTo("a@example.org", 0);
    TScriptedSMTPServer odd(
        std::vector<TSMTPRule>{{"RCPT TO", "550-No\x1B[31m such\x07 user\rX\r\n550 gone\x7F!\r\n"}});
    Window.Fields.PortNumber = std::to_string(odd.Port());
    Job.SendMailTo("b@example.org", 0);
    const std::string failed = "ERROR:       12/09/2026 09:05:01 - Failed to send e-mail to: ";
    EXPECT_EQ(Entries(), (std::vector<std::string>{
                             failed + "a@example.org; Reason: Socket Error # 10061 Connection refused.",
                             failed + "b@example.org; Reason: No [31m such  user X gone !",
                         }));
    std::string file;
    ReadFileBytes(Folder.File("Corvalet.log").string(), file);
    EXPECT_EQ(file.substr(file.size() - Entries()[1].size() - 2), Entries()[1] + "\r\n");
    EXPECT_EQ(std::count(file.begin(), file.end(), '\n'), 4) << "header, empty line, two entries";
}

TEST_F(MailDeliveryTest, AddressesThatDoNotParseAreRefusedBeforeAnythingIsSent) {
    struct Case {
        std::string recipients;
        std::string error;
    };
    const Case cases[] = {
        {"a@example.org, <b@example.org> c@example.org", "@ Outside address"},
        // A stray quote swallowed the address, cut it short, or took the items after it along.
        {"qu\"ote@example.org", "Invalid e-mail address: qu\"ote@example.org"},
        {"<qu\"ote@example.org>", "Invalid e-mail address: <qu\"ote@example.org>"},
        {"qu\"ote@example.org, b@example.org", "Invalid e-mail address: qu\"ote@example.org"},
        {"a@example.org \"", "Invalid e-mail address: a@example.org \""},
        // Nothing between the angle brackets.
        {"a@example.org, Nobody <>", "Invalid e-mail address: Nobody <>"},
        {"<>", "Invalid e-mail address: <>"},
        {"\"abc\\", "Invalid e-mail address: \"abc\\"},
    };
    TScriptedSMTPServer server;
    Window.Fields.PortNumber = std::to_string(server.Port());
    for (const Case& c : cases) {
        try {
            Job.SendMailTo(c.recipients, 0);
            ADD_FAILURE() << "sent to " << c.recipients;
        } catch (const std::exception& error) {
            EXPECT_EQ(error.what(), c.error);
        }
    }
    EXPECT_TRUE(server.Lines().empty());
    EXPECT_TRUE(Entries().empty());
}

} // namespace
} // namespace corvalet

namespace corvalet {
namespace {

using namespace test;

TEST_F(MailDeliveryTest, TLSAndLoginWithThePasswordFromTheCommand) {
    const std::string password = "pw-from-command";
    TAiosmtpdServer secure({"--security", "starttls", "--login", "ann", password});
    std::string command = "printf '" + password + "\\nnot this line\\n'";
    TCommandPasswordSource passwords([&command] { return command; }, Folder.File("Corvalet.ini").string(),
                                     5000);
    TMailJob job{Window, Client, passwords, Dialogs, Logger, Clock, Formats, [] { return 1; }};
    Window.Fields.TrustFile = secure.AuthorityFile();
    Window.Fields.SMTPHost = "localhost";
    Window.Fields.PortNumber = std::to_string(secure.Port());
    Window.Fields.Security = 1;
    Window.Fields.UserName = "ann";
    job.SendMailTo("a@example.org", 0);
    ASSERT_TRUE(secure.WaitForDelivery(1)) << testing::PrintToString(Entries());
    EXPECT_EQ(secure.Envelope(1), (std::vector<std::string>{"lead@example.org", "a@example.org"}));
    EXPECT_TRUE(DataModule.NetSMTP.Password.empty());

    // Without a command the mailing fails with the reason, and nothing of the message is sent.
    command.clear();
    job.SendMailTo("b@example.org", 0);
    EXPECT_FALSE(secure.WaitForDelivery(2, 200));
    ASSERT_EQ(Entries().size(), 2u);
    EXPECT_EQ(Entries()[1],
              "ERROR:       12/09/2026 09:05:01 - Failed to send e-mail to: b@example.org; Reason: "
              "No password for ann at localhost: no password command is set");
    std::string log;
    ReadFileBytes(Folder.File("Corvalet.log").string(), log);
    EXPECT_EQ(log.find(password), std::string::npos);
    EXPECT_EQ(secure.CommandLog().find(password), std::string::npos);
}

} // namespace
} // namespace corvalet

namespace corvalet {
namespace {

using namespace test;

// A secret store that holds a password for every login, to show that a token login never takes it.
class TKeptPasswordStore final : public TSecretStore {
public:
    std::string Read(const std::string&, const std::string&, std::string&) override {
        return "kept-password";
    }
    bool Has(const std::string&, const std::string&, std::string&) override { return true; }
    bool Write(const std::string&, const std::string&, const std::string&, std::string&) override {
        return true;
    }
};

TEST_F(MailDeliveryTest, TokenLoginsTakeTheTokenFromThePasswordCommand) {
    const std::string token = "access-token-from-helper";
    TAiosmtpdServer secure({"--security", "tls", "--bearer", "ann@example.org", token});
    const std::string command = "printf '" + token + "\\nrefresh-line\\n'";
    TCommandPasswordSource tokens([&command] { return command; }, Folder.File("Corvalet.ini").string(), 5000);
    TKeptPasswordStore store;
    TStoreOrCommandPasswordSource passwords(&store, &tokens);
    TMailJob job{Window, Client, passwords, Dialogs, Logger, Clock, Formats, [] { return 1; }};
    Window.Fields.TrustFile = secure.AuthorityFile();
    int& method = Window.Fields.Authentication;
    method = AuthenticationXOAuth2;
    Window.Fields.SMTPHost = "localhost";
    Window.Fields.PortNumber = std::to_string(secure.Port());
    Window.Fields.Security = 2;
    Window.Fields.UserName = "ann@example.org";
    job.SendMailTo("a@example.org", 0);
    ASSERT_TRUE(secure.WaitForDelivery(1)) << testing::PrintToString(Entries());
    method = AuthenticationOAuthBearer;
    job.SendMailTo("b@example.org", 0);
    ASSERT_TRUE(secure.WaitForDelivery(2)) << testing::PrintToString(Entries());
    EXPECT_TRUE(DataModule.NetSMTP.Password.empty());

    // A method the program does not know fails the mailing before anything is sent.
    method = 5;
    job.SendMailTo("c@example.org", 0);
    EXPECT_FALSE(secure.WaitForDelivery(3, 200));
    ASSERT_EQ(Entries().size(), 3u);
    EXPECT_EQ(Entries()[2],
              "ERROR:       12/09/2026 09:05:01 - Failed to send e-mail to: c@example.org; Reason: "
              "The login method 5 of the settings is not one that Corvalet knows (0 to 4)");
    std::string log;
    ReadFileBytes(Folder.File("Corvalet.log").string(), log);
    EXPECT_EQ(log.find(token), std::string::npos);
}

} // namespace
} // namespace corvalet

namespace corvalet {
namespace {

using namespace test;

// The password stays in the client only while its session runs: whichever step ends the mailing,
// nothing of it is left for the next mailing or for a look at the program's memory.
TEST_F(MailDeliveryTest, ThePasswordIsGoneAfterEveryWayAMailingEnds) {
    const std::string offersLogin = "250-corvalet.test\r\n250-STARTTLS\r\n250 AUTH PLAIN LOGIN\r\n";
    struct Case {
        const char* Name;
        std::vector<TSMTPRule> Rules;
        int Security;
        bool Delivered;
    };
    const Case cases[] = {
        {"greeting refused", {{"", "554 go away\r\n", TSMTPAction::ReplyThenClose}}, 0, false},
        {"STARTTLS refused", {{"EHLO", offersLogin}, {"STARTTLS", "454 not now\r\n"}}, 1, false},
        {"handshake fails",
         {{"EHLO", offersLogin}, {"STARTTLS", "220 go\r\n", TSMTPAction::ReplyThenClose}},
         1,
         false},
        {"login refused", {{"EHLO", offersLogin}, {"AUTH", "535 no\r\n"}}, 0, false},
        {"recipient refused",
         {{"EHLO", offersLogin}, {"AUTH", "235 ok\r\n"}, {"RCPT TO", "550 no\r\n"}},
         0,
         false},
        {"delivered", {{"EHLO", offersLogin}, {"AUTH", "235 ok\r\n"}}, 0, true},
    };
    Passwords.Kept = "s3cret-pw";
    Window.Fields.UserName = "ann";
    for (const Case& c : cases) {
        TScriptedSMTPServer server(c.Rules);
        Window.Fields.PortNumber = std::to_string(server.Port());
        Window.Fields.Security = c.Security;
        Job.SendMailTo("a@example.org", 0);
        EXPECT_EQ(Job.LastOutcome().Sent, c.Delivered) << c.Name << ": " << Job.LastOutcome().Text;
        EXPECT_TRUE(DataModule.NetSMTP.Password.empty()) << c.Name;
    }
    // A port where nobody listens: the connect itself fails.
    int closedPort = 0;
    {
        TScriptedSMTPServer gone;
        closedPort = gone.Port();
    }
    Window.Fields.PortNumber = std::to_string(closedPort);
    Window.Fields.Security = 0;
    Job.SendMailTo("a@example.org", 0);
    EXPECT_FALSE(Job.LastOutcome().Sent);
    EXPECT_TRUE(DataModule.NetSMTP.Password.empty());
}

} // namespace
} // namespace corvalet
