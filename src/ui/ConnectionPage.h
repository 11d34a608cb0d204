#pragma once

#include <QWidget>

class QComboBox;
class QLabel;
class QLineEdit;
class QSlider;

namespace corvalet {

class TConfiguration;
class TDigitKeyFilter;
class TSecretStore;

// The "Connection" page: SMTP host, port, the connect time-out, how the connection is protected
// and the login. The password goes to the secret store, never to the settings.
class TConnectionPage : public QWidget {
    Q_OBJECT
public:
    explicit TConnectionPage(QWidget* parent = nullptr);

    void SettingsToControls(const TConfiguration& settings);
    void ControlsToSettings(TConfiguration& settings) const;

    QLineEdit* HostName() const { return SMTPHostNameEdit; }
    QLineEdit* PortNumber() const { return PortNumberEdit; }
    QSlider* TimeOut() const { return TimeOutTrackBar; }
    QLabel* TimeOutChoice() const { return TimeOutChoiceLabel; }
    QComboBox* Security() const { return SecurityComboBox; }
    QLineEdit* UserName() const { return UserNameEdit; }
    QLineEdit* Password() const { return PasswordEdit; }
    QLabel* PasswordState() const { return PasswordStateLabel; }

    // Where typed passwords are kept; none: the password field is off and says so.
    void SetSecretStore(TSecretStore* store);
    // Puts a typed password into the secret store and empties the field; raises when the store
    // does not take it. Nothing typed: nothing happens.
    void KeepPassword();
    // Shows whether the store holds a password for the user name and host in the fields.
    void ShowPasswordState();

private:
    void LayOut();
    void TimeOutTrackBarChange(int position);
    void SecurityComboBoxChange(int index);

    TDigitKeyFilter* Digits;
    QLineEdit* SMTPHostNameEdit;
    QLineEdit* PortNumberEdit;
    QSlider* TimeOutTrackBar;
    QLabel* TimeOutChoiceLabel;
    QComboBox* SecurityComboBox;
    QLineEdit* UserNameEdit;
    QLineEdit* PasswordEdit;
    QLabel* PasswordStateLabel;
    TSecretStore* Store = nullptr;
};

} // namespace corvalet
