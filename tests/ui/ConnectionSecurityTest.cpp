// The Connection page's security choice, user name and password field.
#include "MainFormFixture.h"

#include "app/PasswordSource.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <map>

namespace corvalet::test {
namespace {

class TMemoryStore final : public TSecretStore {
public:
    std::string Read(const std::string& host, const std::string& user, std::string& error) override {
        ++Reads;
        error = Error;
        const auto found = Kept.find(user + "@" + host);
        return found == Kept.end() ? "" : found->second;
    }
    bool Has(const std::string& host, const std::string& user, std::string& error) override {
        error = Error;
        return Error.empty() && Kept.count(user + "@" + host) != 0;
    }
    bool Write(const std::string& host, const std::string& user, const std::string& password,
               std::string& error) override {
        error = Error;
        if (!Error.empty())
            return false;
        Kept[user + "@" + host] = password;
        return true;
    }
    std::map<std::string, std::string> Kept;
    std::string Error;
    // The page asks only whether a password is kept: it never reads one.
    int Reads = 0;
};

class ConnectionSecurity : public TMainFormTest {
protected:
    QComboBox* Security() const { return Find<QComboBox>("SecurityComboBox"); }
    QLineEdit* Port() const { return Find<QLineEdit>("PortNumberEdit"); }
    QLineEdit* User() const { return Find<QLineEdit>("UserNameEdit"); }
    QLineEdit* Password() const { return Find<QLineEdit>("PasswordEdit"); }
    QString State() const { return Find<QLabel>("PasswordStateLabel")->text(); }
    void ClickOK() { QTest::mouseClick(Find<QPushButton>("OKButton"), Qt::LeftButton); }

    TMemoryStore Store;
};

TEST_F(ConnectionSecurity, ChoosingSecurityProposesItsPortOnlyWhileThePortIsStill25) {
    const struct {
        const char* port;
        int choice;
        const char* proposed;
    } cases[] = {
        {"25", 1, "587"}, {"25", 2, "465"}, {"2525", 1, "2525"}, {"587", 2, "587"}, {" 25 ", 2, "465"},
    };
    for (const auto& c : cases) {
        Security()->setCurrentIndex(0);
        Port()->setText(c.port);
        Security()->setCurrentIndex(c.choice);
        EXPECT_EQ(Port()->text(), c.proposed) << c.port << " " << c.choice;
    }
    // The saved choice shown at start proposes nothing.
    Settings.PortNumber = 25;
    Settings.Security = 2;
    Form->SettingsToControls();
    EXPECT_EQ(Security()->currentIndex(), 2);
    EXPECT_EQ(Port()->text(), "25");
}

TEST_F(ConnectionSecurity, OKSavesChoiceAndUserAndKeepsThePasswordOnlyInTheStore) {
    Form->SetSecretStore(&Store);
    Form->SettingsToControls();
    EXPECT_EQ(State(), "No login without a user name.");
    Find<QLineEdit>("SMTPHostNameEdit")->setText("smtp.example.test");
    Security()->setCurrentIndex(1);
    User()->setText(" ann ");
    Password()->setText("typed-secret");
    Form->show();
    ClickOK();

    EXPECT_TRUE(HandledErrors.empty());
    EXPECT_EQ(Store.Kept["ann@smtp.example.test"], "typed-secret");
    EXPECT_TRUE(Password()->text().isEmpty());
    EXPECT_EQ(State(), "A password is kept in the secret store.");
    const std::string file = Folder.Read("Corvalet.ini");
    EXPECT_NE(file.find("Security=1\r\nUserName=ann\r\n"), std::string::npos) << file;
    EXPECT_EQ(file.find("typed-secret"), std::string::npos);
    EXPECT_EQ(Form->MailFields().Security, 1);
    EXPECT_EQ(Form->MailFields().UserName, "ann");
}

TEST_F(ConnectionSecurity, StoreThatDoesNotAnswerOrIsMissingIsShownAndAFailedKeepIsReported) {
    Form->SettingsToControls();
    EXPECT_FALSE(Password()->isEnabled());
    EXPECT_EQ(State(), "No secret store: the password command of the settings file is used.");

    Store.Error = "No D-Bus session";
    Form->SetSecretStore(&Store);
    User()->setText("ann");
    emit User()->editingFinished();
    EXPECT_TRUE(Password()->isEnabled());
    EXPECT_EQ(State(), "The secret store does not answer: No D-Bus session");
    Password()->setText("typed-secret");
    Form->show();
    ClickOK();
    ASSERT_EQ(HandledErrors.size(), 1u);
    EXPECT_EQ(HandledErrors[0], "The password could not be kept in the secret store: No D-Bus session");
    // The settings were saved all the same.
    EXPECT_NE(Folder.Read("Corvalet.ini").find("UserName=ann"), std::string::npos);
}

} // namespace
} // namespace corvalet::test
