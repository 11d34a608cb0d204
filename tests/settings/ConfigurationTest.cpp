#include "settings/Configuration.h"

#include "support/FakeRegistry.h"
#include "support/TempDir.h"
#include "support/Umask.h"
#include "support/Unprivileged.h"

#include <csignal>
#include <filesystem>
#include <sys/resource.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

namespace corvalet {
namespace {

class ConfigurationTest : public ::testing::Test {
protected:
    test::TTempDir Folder;
    test::TFakeRegistry Registry;

    TConfiguration Make() const { return TConfiguration(Folder.Folder(), Registry); }
    TConfiguration Loaded(const std::string& ini) const {
        Folder.Write("Corvalet.ini", ini);
        TConfiguration configuration = Make();
        configuration.LoadFromIni();
        return configuration;
    }
    std::string SavedFile() const { return Folder.Read("Corvalet.ini"); }
};

std::vector<std::string> Addresses(const TConfiguration& configuration) {
    std::vector<std::string> addresses;
    for (int i = 0; i < configuration.RecipientCount(); ++i)
        addresses.push_back(configuration.RecipientAddress(i));
    return addresses;
}

TEST_F(ConfigurationTest, DefaultsWithoutFileOrMailAccount) {
    TConfiguration configuration = Make();
    configuration.LoadFromIni();
    EXPECT_EQ(configuration.ProgramFolder, Folder.Folder());
    EXPECT_EQ(configuration.IniFilePath(), Folder.Folder() + "Corvalet.ini");
    EXPECT_EQ(configuration.SenderName, "");
    EXPECT_EQ(configuration.SenderAddress, "");
    EXPECT_EQ(configuration.SMTPHost, "mailhost");
    EXPECT_EQ(configuration.PortNumber, 25);
    EXPECT_EQ(configuration.TimeOut, 0);
    EXPECT_EQ(configuration.Priority, 2);
    EXPECT_EQ(configuration.ContentType, 0);
    EXPECT_EQ(configuration.LogMechanism, 1);
    EXPECT_EQ(configuration.LogFileName, "Corvalet.log");
    EXPECT_FALSE(configuration.LogSizeIsLimited);
    EXPECT_EQ(configuration.LogSizeLimit, 10);
    EXPECT_EQ(configuration.Subject, "");
    EXPECT_EQ(configuration.BodyFileName, "");
    EXPECT_EQ(configuration.Attachment, "");
    EXPECT_EQ(configuration.RecipientCount(), 0);
    EXPECT_EQ(ApplicationName(), "Corvalet");
}

TEST_F(ConfigurationTest, DefaultMailAccountFromTheRegistry) {
    const std::string account = std::string(AccountsKey) + "\\Work";
    struct Case {
        const char* name;
        void (*fill)(test::TFakeRegistry&, const std::string&);
        const char* address;
        const char* host;
    };
    const Case cases[] = {
        {"no account manager", [](test::TFakeRegistry&, const std::string&) {}, "", "mailhost"},
        {"no default account",
         [](test::TFakeRegistry& r, const std::string&) { r.AddKey(AccountManagerKey); }, "", "mailhost"},
        {"default account missing",
         [](test::TFakeRegistry& r, const std::string&) {
             r.SetString(AccountManagerKey, DefaultMailAccountValue, "Work");
         },
         "", "mailhost"},
        {"complete account",
         [](test::TFakeRegistry& r, const std::string&) {
             r.SetDefaultAccount("Work", "me@test", "smtp.test");
         },
         "me@test", "smtp.test"},
        {"account without server",
         [](test::TFakeRegistry& r, const std::string& key) {
             r.SetString(AccountManagerKey, DefaultMailAccountValue, "Work");
             r.SetString(key, SMTPEmailAddressValue, "me@test");
         },
         "me@test", ""},
    };
    for (const auto& c : cases) {
        test::TFakeRegistry registry;
        c.fill(registry, account);
        const TConfiguration configuration(Folder.Folder(), registry);
        EXPECT_EQ(configuration.SenderAddress, c.address) << c.name;
        EXPECT_EQ(configuration.SMTPHost, c.host) << c.name;
        EXPECT_EQ(configuration.PortNumber, 25) << c.name;
    }
}

TEST_F(ConfigurationTest, FileKeysOverrideTheRegistryEvenWhenEmpty) {
    Registry.SetDefaultAccount("Work", "me@test", "smtp.test");
    const TConfiguration emptyAddress = Loaded("[General]\r\nSenderAddress=\r\n");
    EXPECT_EQ(emptyAddress.SenderAddress, "");
    EXPECT_EQ(emptyAddress.SMTPHost, "smtp.test");

    const TConfiguration otherHost = Loaded("[Connection]\r\nSMTPHost=file.test\r\n");
    EXPECT_EQ(otherHost.SenderAddress, "me@test");
    EXPECT_EQ(otherHost.SMTPHost, "file.test");
}

TEST_F(ConfigurationTest, MailAccountGivesPortSecurityLoginAndTrustFile) {
    const std::string key = std::string(AccountsKey) + "\\Work";
    Registry.SetDefaultAccount("Work", "me@test", "smtp.test");
    Registry.SetString(key, SMTPPortValue, "587");
    Registry.SetString(key, SMTPSecurityValue, "1");
    Registry.SetString(key, SMTPUserNameValue, "me");
    Registry.SetString(key, SMTPPasswordCommandValue, "pass show mail");
    Registry.SetString(key, SMTPTrustFileValue, "/etc/ca.pem");
    const TConfiguration configuration = Make();
    EXPECT_EQ(configuration.PortNumber, 587);
    EXPECT_EQ(configuration.Security, SecurityStartTLS);
    EXPECT_EQ(configuration.UserName, "me");
    EXPECT_EQ(configuration.PasswordCommand, "pass show mail");
    EXPECT_EQ(configuration.TrustFile, "/etc/ca.pem");

    // The file's keys win; a port that does not read keeps 25.
    Registry.SetString(key, SMTPPortValue, "x");
    const TConfiguration loaded = Loaded("[Connection]\r\nSecurity=2\r\nUserName=\r\nTrustFile=t.pem\r\n");
    EXPECT_EQ(loaded.PortNumber, 25);
    EXPECT_EQ(loaded.Security, SecurityTLS);
    EXPECT_EQ(loaded.UserName, "");
    EXPECT_EQ(loaded.PasswordCommand, "pass show mail");
    EXPECT_EQ(loaded.TrustFile, "t.pem");
}

TEST_F(ConfigurationTest, ConnectionKeysOfLoginAndSecurityAreWrittenOnlyOnceUsed) {
    const std::string untouched = "[Connection]\r\nSMTPHost=h\r\nPortNumber=25\r\nTimeOut=1\r\n";
    TConfiguration configuration = Loaded(untouched);
    configuration.SaveToIni();
    EXPECT_EQ(SavedFile().find("[Connection]\r\nSMTPHost=h\r\nPortNumber=25\r\nTimeOut=1\r\n\r\n"), 0u)
        << SavedFile();

    configuration.Security = SecurityStartTLS;
    configuration.UserName = "me";
    configuration.PasswordCommand = "echo secret";
    configuration.SaveToIni();
    EXPECT_NE(SavedFile().find("TimeOut=1\r\nSecurity=1\r\nUserName=me\r\nPasswordCommand=echo secret\r\n"),
              std::string::npos)
        << SavedFile();
    EXPECT_EQ(SavedFile().find("TrustFile"), std::string::npos);

    // Back to the defaults: keys once written stay, with their default values.
    configuration.Security = SecurityNone;
    configuration.UserName.clear();
    configuration.SaveToIni();
    EXPECT_NE(SavedFile().find("Security=0\r\nUserName=\r\n"), std::string::npos) << SavedFile();
    const TConfiguration reloaded = Loaded(SavedFile());
    EXPECT_EQ(reloaded.Security, SecurityNone);
    EXPECT_EQ(reloaded.PasswordCommand, "echo secret");
}

TEST_F(ConfigurationTest, LoginMethodFromTheMailAccountAndTheFileWrittenOnceChosen) {
    const std::string key = std::string(AccountsKey) + "\\Work";
    Registry.SetDefaultAccount("Work", "me@test", "smtp.test");
    Registry.SetString(key, SMTPAuthenticationValue, "3");
    EXPECT_EQ(Make().Authentication, AuthenticationXOAuth2);
    Registry.SetString(key, SMTPAuthenticationValue, "");
    EXPECT_EQ(Make().Authentication, AuthenticationAutomatic);

    TConfiguration configuration = Loaded("[Connection]\r\nSMTPHost=h\r\n");
    configuration.SaveToIni();
    EXPECT_EQ(SavedFile().find("Authentication"), std::string::npos) << SavedFile();
    configuration.Authentication = AuthenticationOAuthBearer;
    configuration.SaveToIni();
    EXPECT_NE(SavedFile().find("\r\nAuthentication=4\r\n"), std::string::npos) << SavedFile();
    EXPECT_EQ(Loaded(SavedFile()).Authentication, AuthenticationOAuthBearer);
}

std::string RecipientKeys(int from, int to) {
    std::string keys;
    for (int n = from; n < to; ++n) {
        const std::string i = std::to_string(n);
        keys += "RecipientAddress" + i + "=r" + i + "@test\r\nRecipientTime" + i + "=0" + i +
                " : 00\r\nRecipientEmailFreq" + i + "=Daily\r\nRecipientDistrMeth" + i + "=CC\r\n";
    }
    return keys;
}

TEST_F(ConfigurationTest, RecipientCountHidesExtraKeysWhichSavingKeeps) {
    TConfiguration configuration = Loaded("[General]\r\nRecipientCount=2\r\n" + RecipientKeys(0, 5));
    ASSERT_EQ(configuration.RecipientCount(), 2);
    EXPECT_EQ(configuration.RecipientAddress(1), "r1@test");
    EXPECT_EQ(configuration.RecipientTime(1), "01 : 00");
    EXPECT_EQ(configuration.RecipientFrequency(1), "Daily");
    EXPECT_EQ(configuration.RecipientDistribution(1), "CC");

    Folder.Write("Corvalet.ini", "[General]\r\nRecipientCount=5\r\n" + RecipientKeys(0, 5));
    configuration.ClearRecipients();
    for (const char* address : {"c@test", "a@test", "b@test"})
        configuration.AddRecipient(address, "12 : 00", "Each Friday", "BCC");
    configuration.SaveToIni();

    const std::string saved = SavedFile();
    EXPECT_NE(saved.find("RecipientCount=3\r\n"), std::string::npos);
    EXPECT_NE(saved.find("RecipientAddress2=c@test\r\n"), std::string::npos);
    EXPECT_NE(saved.find("RecipientAddress3=r3@test\r\nRecipientTime3=03 : 00\r\n"), std::string::npos);
    EXPECT_NE(saved.find("RecipientDistrMeth4=CC\r\n"), std::string::npos);
    TConfiguration reloaded = Make();
    reloaded.LoadFromIni();
    EXPECT_EQ(Addresses(reloaded), (std::vector<std::string>{"a@test", "b@test", "c@test"}));
}

TEST_F(ConfigurationTest, RecipientWithoutKeysLoadsEmptyAndADamagedCountDoesNotRunAway) {
    // A recipient saved with empty texts has its keys, with nothing after "=".
    const TConfiguration one = Loaded("[General]\r\nRecipientCount=1\r\nRecipientTime0=\r\n");
    ASSERT_EQ(one.RecipientCount(), 1);
    EXPECT_EQ(one.RecipientAddress(0), "");
    EXPECT_EQ(one.RecipientTime(0), "");
    EXPECT_EQ(one.RecipientFrequency(0), "");
    EXPECT_EQ(one.RecipientDistribution(0), "");

    EXPECT_EQ(Loaded("[General]\r\nRecipientCount=1\r\n").RecipientCount(), 0);
    for (const char* count : {"0", "-3", "abc"})
        EXPECT_EQ(Loaded(std::string("[General]\r\nRecipientCount=") + count + "\r\n" + RecipientKeys(0, 2))
                      .RecipientCount(),
                  0)
            << count;

    const TConfiguration huge = Loaded("[General]\r\nRecipientCount=2147483647\r\n" + RecipientKeys(0, 2));
    EXPECT_EQ(Addresses(huge), (std::vector<std::string>{"r0@test", "r1@test"}));
}

// The count is bounded by the highest recipient number that has a key, so a real recipient far
// down the file loads, and rows past it do not.
TEST_F(ConfigurationTest, RecipientAtAHighNumberLoadsWithTheEmptyRowsBeforeIt) {
    const std::string highKeys = "RecipientTime4000=09 : 05\r\nrecipientaddress4000=far@test\r\n";
    struct Case {
        const char* count;
        std::string keys;
        int loaded;
    };
    const Case cases[] = {
        {"5", "RecipientAddress4=r4@test\r\nRecipientTime4=04 : 00\r\n", 5},
        {"4001", highKeys, 4001},
        {"2147483647", highKeys, 4001},
        {"4000", highKeys, 4000},
        // Keys the load never asks for do not count.
        {"2147483647", "RecipientAddress04=x\r\nRecipientAddress+5=x\r\nRecipientCountry9=x\r\n", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.count + (" " + c.keys));
        const TConfiguration configuration = Loaded("[General]\r\nRecipientCount=" + std::string(c.count) + "\r\n" +
                                                    c.keys + "[Other]\r\nRecipientAddress9000=x\r\n");
        ASSERT_EQ(configuration.RecipientCount(), c.loaded);
        // The empty rows sort first; the real recipient is the last row.
        if (c.loaded == 5) {
            EXPECT_EQ(configuration.RecipientAddress(4), "r4@test");
            EXPECT_EQ(configuration.RecipientTime(4), "04 : 00");
        } else if (c.loaded == 4001) {
            EXPECT_EQ(configuration.RecipientAddress(4000), "far@test");
            EXPECT_EQ(configuration.RecipientTime(4000), "09 : 05");
        }
    }

    TConfiguration saved = Loaded("[General]\r\nRecipientCount=5\r\nRecipientAddress4=r4@test\r\n");
    saved.SaveToIni();
    EXPECT_NE(SavedFile().find("RecipientCount=5\r\n"), std::string::npos);
    EXPECT_NE(SavedFile().find("RecipientAddress4=r4@test\r\n"), std::string::npos);
}

// Whatever a value holds, saving it and loading it again gives it back: a value read from a file,
// and a value typed into the window.
TEST_F(ConfigurationTest, ValuesSurviveASave) {
    struct Case {
        std::string inFile; // as it stands after "Subject=" in a file
        std::string value;  // what reading it gives
    };
    const Case cases[] = {
        {"plain", "plain"},
        {"\"x \"", "x "},
        {"' x '", " x "},
        {"\"\"Hi\" \"", "\"Hi\" "},
        {"'\"Hi\" '", "\"Hi\" "},
        {"\"\"Hi\"\"", "\"Hi\""},
        {"\"'single'\"", "'single'"},
        {"\"\t\"", "\t"},
        {"\" \"", " "},
        {"\"", "\""},
        {"a \"b\" c", "a \"b\" c"},
        {"\"a\" b \"c\"", "a\" b \"c"},
        {"", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.inFile);
        TConfiguration read = Loaded("[Message]\r\nSubject=" + c.inFile + "\r\n");
        ASSERT_EQ(read.Subject, c.value);
        read.SaveToIni();
        TConfiguration reread = Make();
        reread.LoadFromIni();
        EXPECT_EQ(reread.Subject, c.value);

        // Typed into the window and saved into a fresh file.
        std::filesystem::remove(Folder.File("Corvalet.ini"));
        TConfiguration typed = Make();
        typed.Subject = c.value;
        typed.SenderName = c.value;
        typed.AddRecipient(c.value, c.value, c.value, c.value);
        typed.SaveToIni();
        TConfiguration loaded = Make();
        loaded.LoadFromIni();
        EXPECT_EQ(loaded.Subject, c.value);
        EXPECT_EQ(loaded.SenderName, c.value);
        ASSERT_EQ(loaded.RecipientCount(), 1);
        EXPECT_EQ(loaded.RecipientAddress(0), c.value);
        EXPECT_EQ(loaded.RecipientFrequency(0), c.value);
    }
}

TEST_F(ConfigurationTest, NumbersThatDoNotReadKeepTheirDefaults) {
    struct Case {
        const char* ini;
        std::int32_t TConfiguration::*field;
        std::int32_t value;
    };
    const Case integers[] = {
        {"[Connection]\nPortNumber=0x1A\n", &TConfiguration::PortNumber, 26},
        {"[Connection]\nPortNumber=abc\n", &TConfiguration::PortNumber, 25},
        {"[Connection]\nPortNumber=\n", &TConfiguration::PortNumber, 25},
        {"[Connection]\nPortNumber= 2525 \n", &TConfiguration::PortNumber, 2525},
        {"[Connection]\nTimeOut=0x\n", &TConfiguration::TimeOut, 0},
        {"[Connection]\nTimeOut=4\n", &TConfiguration::TimeOut, 4},
        {"[Logging]\nLogSizeLimit=99999999999\n", &TConfiguration::LogSizeLimit, 10},
        {"[Logging]\nLogSizeLimit=4096\n", &TConfiguration::LogSizeLimit, 4096},
        {"", &TConfiguration::CatchUpMinutes, 120},
        {"[Delivery]\nCatchUpMinutes=0\n", &TConfiguration::CatchUpMinutes, 0},
        {"[Delivery]\nCatchUpMinutes=99999\n", &TConfiguration::CatchUpMinutes, 1440},
        {"[Delivery]\nCatchUpMinutes=-5\n", &TConfiguration::CatchUpMinutes, 0},
        {"", &TConfiguration::RetryMinutes, 240},
        {"[Delivery]\nRetryMinutes=0\n", &TConfiguration::RetryMinutes, 0},
        {"[Delivery]\nRetryMinutes=20000\n", &TConfiguration::RetryMinutes, 10080},
    };
    for (const auto& c : integers)
        EXPECT_EQ(Loaded(c.ini).*c.field, c.value) << c.ini;

    struct CodeCase {
        const char* ini;
        std::uint8_t TConfiguration::*field;
        int value;
    };
    const CodeCase codes[] = {
        {"[Message]\nPriority=abc\n", &TConfiguration::Priority, 2},
        {"[Message]\nPriority=0\n", &TConfiguration::Priority, 0},
        {"[Message]\nPriority=9\n", &TConfiguration::Priority, 9}, // not checked on load
        {"[Message]\nContentType=0x01\n", &TConfiguration::ContentType, 1},
        {"[Logging]\nMechanism=x\n", &TConfiguration::LogMechanism, 1},
        {"[Logging]\nMechanism=258\n", &TConfiguration::LogMechanism, 2}, // kept in 8 bits
    };
    for (const auto& c : codes)
        EXPECT_EQ(Loaded(c.ini).*c.field, c.value) << c.ini;
}

TEST_F(ConfigurationTest, FlagReadsAsAnIntegerAndSavesAsOneOrZero) {
    TConfiguration configuration = Loaded("[Logging]\r\nSizeIsLimited=2\r\n");
    EXPECT_TRUE(configuration.LogSizeIsLimited);
    configuration.SaveToIni();
    EXPECT_NE(SavedFile().find("SizeIsLimited=1\r\n"), std::string::npos);
    EXPECT_FALSE(Loaded("[Logging]\r\nSizeIsLimited=0\r\n").LogSizeIsLimited);
    EXPECT_FALSE(Loaded("[Logging]\r\nSizeIsLimited=yes\r\n").LogSizeIsLimited);
}

TEST_F(ConfigurationTest, EverySettingReadsBackAsSaved) {
    Registry.SetDefaultAccount("Work", "registry@test", "registry.test");
    TConfiguration saved = Make();
    saved.SenderName = "Ann \"The Sender\" Example";
    saved.SenderAddress = "ann@test";
    saved.SMTPHost = "";
    saved.PortNumber = 587;
    saved.TimeOut = 10;
    saved.Subject = "  Monthly report  ";
    saved.ContentType = 1;
    saved.BodyFileName = "/home/ann/body.html";
    saved.Attachment = "/home/ann/report.pdf";
    saved.Priority = 4;
    saved.LogMechanism = 0;
    saved.LogFileName = "../logs/Corvalet.log";
    saved.LogSizeIsLimited = true;
    saved.LogSizeLimit = 3;
    saved.CatchUpMinutes = 0;
    saved.RetryMinutes = 60;
    const std::string manyAddresses = std::string(3000, 'x') + "@test";
    saved.AddRecipient(manyAddresses, "23 : 59", "Only at date 12/31/2026", "BCC");
    saved.AddRecipient("", "", "", "");
    saved.SaveToIni();

    TConfiguration loaded = Make();
    loaded.LoadFromIni();
    EXPECT_EQ(loaded.SenderName, saved.SenderName);
    EXPECT_EQ(loaded.SenderAddress, "ann@test");
    EXPECT_EQ(loaded.SMTPHost, "");
    EXPECT_EQ(loaded.PortNumber, 587);
    EXPECT_EQ(loaded.TimeOut, 10);
    EXPECT_EQ(loaded.Subject, "  Monthly report  ");
    EXPECT_EQ(loaded.ContentType, 1);
    EXPECT_EQ(loaded.BodyFileName, saved.BodyFileName);
    EXPECT_EQ(loaded.Attachment, saved.Attachment);
    EXPECT_EQ(loaded.Priority, 4);
    EXPECT_EQ(loaded.LogMechanism, 0);
    EXPECT_EQ(loaded.LogFileName, saved.LogFileName);
    EXPECT_TRUE(loaded.LogSizeIsLimited);
    EXPECT_EQ(loaded.LogSizeLimit, 3);
    EXPECT_EQ(loaded.CatchUpMinutes, 0);
    EXPECT_EQ(loaded.RetryMinutes, 60);
    ASSERT_EQ(loaded.RecipientCount(), 2);
    EXPECT_EQ(loaded.RecipientAddress(0), "");
    EXPECT_EQ(loaded.RecipientAddress(1), manyAddresses);
    EXPECT_EQ(loaded.RecipientTime(1), "23 : 59");
    EXPECT_EQ(loaded.RecipientFrequency(1), "Only at date 12/31/2026");
    EXPECT_EQ(loaded.RecipientDistribution(1), "BCC");
}

TEST_F(ConfigurationTest, RecipientsSortByAddressIgnoringCaseNewcomersFirst) {
    TConfiguration configuration = Make();
    configuration.AddRecipient("beta", "1", "", "");
    configuration.AddRecipient("Alpha", "2", "", "");
    configuration.AddRecipient("alpha", "3", "", "");
    EXPECT_EQ(Addresses(configuration), (std::vector<std::string>{"alpha", "Alpha", "beta"}));
    EXPECT_EQ(configuration.RecipientTime(0), "3");
    EXPECT_EQ(configuration.RecipientTime(1), "2");

    for (const int outside : {-1, 3, 1000}) {
        EXPECT_EQ(configuration.RecipientAddress(outside), "") << outside;
        EXPECT_EQ(configuration.RecipientTime(outside), "") << outside;
        EXPECT_EQ(configuration.RecipientFrequency(outside), "") << outside;
        EXPECT_EQ(configuration.RecipientDistribution(outside), "") << outside;
    }
    configuration.ClearRecipients();
    EXPECT_EQ(configuration.RecipientCount(), 0);
}

TEST_F(ConfigurationTest, FirstSavedFileHoldsTheFourSectionsInOrder) {
    TConfiguration configuration = Make();
    configuration.SenderName = "Ann";
    configuration.SenderAddress = "ann@test";
    configuration.AddRecipient("zed@test", "09 : 05", "Each Friday", "CC");
    configuration.AddRecipient("bob@test", "14 : 30", "Daily", "BCC");
    configuration.SaveToIni();
    EXPECT_EQ(SavedFile(), "[General]\r\n"
                           "SenderName=Ann\r\n"
                           "SenderAddress=ann@test\r\n"
                           "RecipientCount=2\r\n"
                           "RecipientAddress0=bob@test\r\n"
                           "RecipientTime0=14 : 30\r\n"
                           "RecipientEmailFreq0=Daily\r\n"
                           "RecipientDistrMeth0=BCC\r\n"
                           "RecipientAddress1=zed@test\r\n"
                           "RecipientTime1=09 : 05\r\n"
                           "RecipientEmailFreq1=Each Friday\r\n"
                           "RecipientDistrMeth1=CC\r\n"
                           "\r\n"
                           "[Logging]\r\n"
                           "Mechanism=1\r\n"
                           "FileName=Corvalet.log\r\n"
                           "SizeIsLimited=0\r\n"
                           "LogSizeLimit=10\r\n"
                           "\r\n"
                           "[Connection]\r\n"
                           "SMTPHost=mailhost\r\n"
                           "PortNumber=25\r\n"
                           "TimeOut=0\r\n"
                           "\r\n"
                           "[Message]\r\n"
                           "BodyFileName=\r\n"
                           "Priority=0\r\n"
                           "Subject=\r\n"
                           "Attachment=\r\n"
                           "ContentType=0\r\n");
}

TEST_F(ConfigurationTest, BadInputLoadsWithDefaultsAndSavingLosesNothing) {
    const std::string longValue(70000, 'q');
    const std::string original = std::string("\xef\xbb\xbf; notes\r\n"
                                             "\x01\x02 garbage \xff\xfe\r\n") +
                                 std::string(1, '\0') +
                                 "=nul key\r\n"
                                 "[General]\r\n"
                                 "RecipientCount=zwei\r\n"
                                 "SenderName=" +
                                 longValue +
                                 "\r\n"
                                 "senderNAME=duplicate\r\n"
                                 "Unknown=kept\r\n"
                                 "[Connection\r\n"
                                 "PortNumber=\x80\x81\r\n"
                                 "[General]\r\n"
                                 "SenderAddress=only in the duplicate section\r\n"
                                 "[Logging]\r\n"
                                 "Mechanism=\r\n";
    TConfiguration configuration = Loaded(original);
    EXPECT_EQ(configuration.SenderName, longValue);
    EXPECT_EQ(configuration.SenderAddress, "");
    EXPECT_EQ(configuration.RecipientCount(), 0);
    EXPECT_EQ(configuration.PortNumber, 25);
    EXPECT_EQ(configuration.LogMechanism, 1);
    EXPECT_EQ(configuration.SMTPHost, "mailhost");

    configuration.SaveToIni();
    const std::string saved = SavedFile();
    EXPECT_EQ(saved.substr(0, saved.find("FileName=")), std::string("\xef\xbb\xbf; notes\r\n"
                                                                    "\x01\x02 garbage \xff\xfe\r\n") +
                                                            std::string(1, '\0') +
                                                            "=nul key\r\n"
                                                            "[General]\r\n"
                                                            "RecipientCount=0\r\n"
                                                            "SenderName=" +
                                                            longValue +
                                                            "\r\n"
                                                            "senderNAME=duplicate\r\n"
                                                            "Unknown=kept\r\n"
                                                            "[Connection\r\n"
                                                            "PortNumber=\x80\x81\r\n"
                                                            "SenderAddress=\r\n"
                                                            "[General]\r\n"
                                                            "SenderAddress=only in the duplicate section\r\n"
                                                            "[Logging]\r\n"
                                                            "Mechanism=1\r\n");
    // The sections the file lacked follow as in a first save, with the defaults of a load.
    EXPECT_NE(saved.find("\r\nPriority=2\r\n"), std::string::npos);
}

// Lets files in this process grow to `bytes` only, as a full disk would; writes beyond fail.
class TFileSizeLimit {
public:
    explicit TFileSizeLimit(rlim_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &Saved);
        PreviousHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limited = Saved;
        limited.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limited);
    }
    ~TFileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &Saved);
        std::signal(SIGXFSZ, PreviousHandler);
    }
    TFileSizeLimit(const TFileSizeLimit&) = delete;
    TFileSizeLimit& operator=(const TFileSizeLimit&) = delete;

private:
    rlimit Saved{};
    void (*PreviousHandler)(int) = nullptr;
};

void ExpectSaveFails(TConfiguration& configuration) {
    try {
        configuration.SaveToIni();
        ADD_FAILURE() << "saved";
    } catch (const EIniFileError& error) {
        EXPECT_EQ(std::string(error.what()), "Unable to write to " + configuration.IniFilePath());
    }
}

TEST_F(ConfigurationTest, FailedSaveReportsThePathAndLeavesTheFileWhole) {
    const std::string previous = "[General]\r\nSenderName=Old\r\n; keep me\r\n";
    TConfiguration configuration = Loaded(previous);
    configuration.SenderName = "New";
    configuration.AddRecipient(std::string(1000, 'r'), "09 : 00", "Daily", "BCC");
    {
        const TFileSizeLimit diskFull(64);
        ExpectSaveFails(configuration);
    }
    EXPECT_EQ(SavedFile(), previous);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(Folder.Path()), {}), 1); // no leftovers

    std::filesystem::remove(Folder.File("Corvalet.ini"));
    std::filesystem::create_directory(Folder.File("Corvalet.ini"));
    ExpectSaveFails(configuration);

    TConfiguration missingFolder(Folder.Folder() + "missing/", Registry);
    ExpectSaveFails(missingFolder);
}

// A link planted as the settings file (by someone who may add entries to the folder) is never
// written through: the save fails as any other, and the file it leads to stays as it was.
TEST_F(ConfigurationTest, ALinkInThePlaceOfTheSettingsFileIsNotWrittenThrough) {
    Folder.Write("victim", "[General]\r\nSenderName=Old\r\n");
    std::filesystem::create_symlink(Folder.File("victim"), Folder.File("Corvalet.ini"));
    TConfiguration configuration = Make();
    configuration.LoadFromIni();
    configuration.SenderName = "New";
    ExpectSaveFails(configuration);
    EXPECT_TRUE(std::filesystem::is_symlink(Folder.File("Corvalet.ini")));
    EXPECT_EQ(Folder.Read("victim"), "[General]\r\nSenderName=Old\r\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(Folder.Path()), {}), 2); // no leftovers
}

// Under the usual umask a new settings file is the user's alone; a file that is there keeps the
// mode the user gave it.
TEST_F(ConfigurationTest, ANewSettingsFileIsPrivateAndAnOldOneKeepsItsMode) {
    const test::TUmask umask(022);
    const auto mode = [this] {
        struct stat info {};
        ::stat(Folder.File("Corvalet.ini").c_str(), &info);
        return info.st_mode & 07777;
    };
    TConfiguration configuration = Make();
    configuration.SaveToIni();
    EXPECT_EQ(mode(), 0600u);
    ::chmod(Folder.File("Corvalet.ini").c_str(), 0640);
    configuration.SenderName = "New";
    configuration.SaveToIni();
    EXPECT_EQ(mode(), 0640u);
}

// A settings file the user made read-only is not replaced behind the user's back.
TEST_F(ConfigurationTest, ReadOnlySettingsFileIsNotWritten) {
    const std::string previous = "[General]\r\nSenderName=Old\r\n";
    TConfiguration configuration = Loaded(previous);
    std::filesystem::permissions(Folder.File("Corvalet.ini"), std::filesystem::perms::owner_read |
                                                                   std::filesystem::perms::group_read |
                                                                   std::filesystem::perms::others_read);
    configuration.SenderName = "New";
    ExpectSaveFails(configuration);
    EXPECT_EQ(SavedFile(), previous);
    test::RunUnprivileged(Folder.Path(), [&] {
        ExpectSaveFails(configuration);
        EXPECT_EQ(SavedFile(), previous);
    });
}

// An installed program's folder, or a shared one, takes no new files; a settings file there that
// may be written is still saved.
TEST_F(ConfigurationTest, WritableSettingsFileInAReadOnlyFolderIsSaved) {
    TConfiguration configuration = Loaded("[General]\r\nSenderName=Old\r\n; kept\r\n");
    test::RunUnprivileged(Folder.Path(), [&] {
        std::filesystem::permissions(Folder.Path(), std::filesystem::perms::owner_read |
                                                        std::filesystem::perms::owner_exec);
        configuration.SenderName = "New";
        EXPECT_NO_THROW(configuration.SaveToIni());
        std::filesystem::permissions(Folder.Path(), std::filesystem::perms::owner_all);
        TConfiguration reloaded = Make();
        reloaded.LoadFromIni();
        EXPECT_EQ(reloaded.SenderName, "New");
        EXPECT_NE(SavedFile().find("; kept\r\n"), std::string::npos);
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(Folder.Path()), {}), 1);
    });
}

} // namespace
} // namespace corvalet
