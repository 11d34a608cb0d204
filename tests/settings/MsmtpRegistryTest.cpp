#include "platform/posix/MsmtpRegistry.h"

#include "support/TempDir.h"

#include <cctype>
#include <filesystem>

#include <gtest/gtest.h>

namespace corvalet {
namespace {

class MsmtpRegistryTest : public ::testing::Test {
protected:
    test::TTempDir Home;

    TMsmtpRegistry WithConfig(const std::string& text) {
        Home.Write(".msmtprc", text);
        return TMsmtpRegistry(Home.File(".msmtprc").string());
    }

    static std::string DefaultAccount(const TRegistry& registry) {
        const auto key = registry.OpenKey(AccountManagerKey);
        return key ? key->ReadString(DefaultMailAccountValue) : "<no key>";
    }
    static std::string AccountValue(const TRegistry& registry, const std::string& account,
                                    const std::string& value) {
        const auto key = registry.OpenKey(std::string(AccountsKey) + "\\" + account);
        return key ? key->ReadString(value) : "<no key>";
    }
};

TEST_F(MsmtpRegistryTest, NoFileOpensNoKey) {
    const TMsmtpRegistry registry(Home.File("missing").string());
    EXPECT_EQ(registry.OpenKey(AccountManagerKey), nullptr);
    EXPECT_EQ(registry.OpenKey(std::string(AccountsKey) + "\\default"), nullptr);
    EXPECT_EQ(TMsmtpRegistry("").OpenKey(AccountManagerKey), nullptr);
}

TEST_F(MsmtpRegistryTest, DefaultAccountAndItsAddressAndServer) {
    struct Case {
        const char* name;
        const char* config;
        const char* account; // "default mail account"
        const char* from;    // of that account
        const char* host;
    };
    const Case cases[] = {
        {"named default", "account default\nhost smtp.test\nfrom me@test\n", "default", "me@test",
         "smtp.test"},
        {"points at another", "account work\nhost w.test\nfrom w@test\n\naccount default : work\n", "work",
         "w@test", "w.test"},
        {"inherits and overrides",
         "account work\nhost w.test\nfrom w@test\naccount default : work\nfrom d@test\n", "default", "d@test",
         "w.test"},
        {"defaults apply to later accounts",
         "# comment\ndefaults\nhost all.test\n\taccount   default\r\n  from \"  x@test \"\r\n", "default",
         "  x@test ", "all.test"},
        {"commands ignore case, values keep it", "ACCOUNT default\nHost Mail.Test\nFROM A@Test\n", "default",
         "A@Test", "Mail.Test"},
        {"no default account", "account work\nhost w.test\n", "", "<no key>", "<no key>"},
        {"empty file", "", "", "<no key>", "<no key>"},
        {"garbage", "\x01\xff\n=\naccount\nfrom\n:::\n", "", "<no key>", "<no key>"},
        {"no host", "account default\nfrom me@test\n", "default", "me@test", ""},
    };
    for (const auto& c : cases) {
        const TMsmtpRegistry registry = WithConfig(c.config);
        const std::string account = DefaultAccount(registry);
        EXPECT_EQ(account, c.account) << c.name;
        const std::string name = account.empty() ? "default" : account;
        EXPECT_EQ(AccountValue(registry, name, SMTPEmailAddressValue), c.from) << c.name;
        EXPECT_EQ(AccountValue(registry, name, SMTPServerValue), c.host) << c.name;
    }
}

TEST_F(MsmtpRegistryTest, PortSecurityLoginAndTrustFileOfTheAccount) {
    struct Case {
        const char* name;
        const char* commands; // of the account "default"
        const char* port;
        const char* security;
        const char* user;
        const char* passwordCommand;
        const char* trustFile;
    };
    const Case cases[] = {
        {"plain", "host h\n", "", "0", "", "", ""},
        {"starttls by default", "tls on\nport 587\n", "587", "1", "", "", ""},
        {"tls without argument", "tls\n", "", "1", "", "", ""},
        {"tls from the first byte", "tls on\ntls_starttls off\n", "465", "2", "", "", ""},
        {"own port kept", "tls on\ntls_starttls off\nport 2465\n", "2465", "2", "", "", ""},
        {"tls off", "tls off\ntls_starttls off\n", "", "0", "", "", ""},
        {"login", "auth on\nuser me\npasswordeval \"pass show mail\"\n", "", "0", "me", "pass show mail", ""},
        {"login by method", "auth plain\nuser me\n", "", "0", "me", "", ""},
        {"no auth, no login", "user me\n", "", "0", "", "", ""},
        {"auth off", "auth off\nuser me\n", "", "0", "", "", ""},
        {"trust file", "tls_trust_file /etc/ca.pem\n", "", "0", "", "", "/etc/ca.pem"},
        {"system store", "tls_trust_file system\n", "", "0", "", "", ""},
    };
    for (const auto& c : cases) {
        const TMsmtpRegistry registry = WithConfig(std::string("account default\n") + c.commands);
        EXPECT_EQ(AccountValue(registry, "default", SMTPPortValue), c.port) << c.name;
        EXPECT_EQ(AccountValue(registry, "default", SMTPSecurityValue), c.security) << c.name;
        EXPECT_EQ(AccountValue(registry, "default", SMTPUserNameValue), c.user) << c.name;
        EXPECT_EQ(AccountValue(registry, "default", SMTPPasswordCommandValue), c.passwordCommand) << c.name;
        EXPECT_EQ(AccountValue(registry, "default", SMTPTrustFileValue), c.trustFile) << c.name;
    }
}

TEST_F(MsmtpRegistryTest, LoginMethodsWithASettingAreTakenOverOthersLeaveTheChoice) {
    const std::pair<const char*, const char*> cases[] = {
        {"auth plain", "1"}, {"auth LOGIN", "2"}, {"auth xoauth2", "3"}, {"auth oauthbearer", "4"},
        {"auth on", ""},     {"auth cram-md5", ""}, {"auth off", ""},     {"", ""},
    };
    for (const auto& [commands, expected] : cases) {
        const TMsmtpRegistry registry = WithConfig(std::string("account default\nuser me\n") + commands + "\n");
        EXPECT_EQ(AccountValue(registry, "default", SMTPAuthenticationValue), expected) << commands;
    }
}

TEST_F(MsmtpRegistryTest, KeyPathsAndValueNamesIgnoreCaseAccountNamesDoNot) {
    const TMsmtpRegistry registry = WithConfig("account Work\nhost w.test\n");
    std::string upper = AccountManagerKey;
    for (char& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    EXPECT_NE(registry.OpenKey(upper), nullptr);
    const auto key = registry.OpenKey(std::string(AccountsKey) + "\\Work");
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(key->ReadString("smtp server"), "w.test");
    EXPECT_EQ(key->ReadString("Absent"), "");
    EXPECT_EQ(registry.OpenKey(std::string(AccountsKey) + "\\work"), nullptr);
    EXPECT_EQ(registry.OpenKey("software\\other"), nullptr);
}

TEST_F(MsmtpRegistryTest, ConfigFileOfTheUser) {
    const std::string home = Home.Path().string();
    EXPECT_EQ(TMsmtpRegistry::FindConfigFile(nullptr, home.c_str()), home + "/.msmtprc");
    EXPECT_EQ(TMsmtpRegistry::FindConfigFile(nullptr, nullptr), "");

    std::filesystem::create_directories(Home.Path() / ".config/msmtp");
    Home.Write(".config/msmtp/config", "account default\n");
    EXPECT_EQ(TMsmtpRegistry::FindConfigFile("", home.c_str()), home + "/.config/msmtp/config");
    // $XDG_CONFIG_HOME names another folder without the file: the home folder's file counts.
    EXPECT_EQ(TMsmtpRegistry::FindConfigFile((home + "/xdg").c_str(), home.c_str()), home + "/.msmtprc");
    std::filesystem::create_directories(Home.Path() / "xdg/msmtp");
    Home.Write("xdg/msmtp/config", "");
    EXPECT_EQ(TMsmtpRegistry::FindConfigFile((home + "/xdg").c_str(), home.c_str()),
              home + "/xdg/msmtp/config");
}

} // namespace
} // namespace corvalet
