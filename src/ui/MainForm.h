#pragma once

#include "app/MailFields.h"
#include "ui/RecipientRow.h"

#include <QDialog>

#include <exception>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class QPushButton;
class QTabWidget;

namespace corvalet {

class TClock;
class TConfiguration;
class TConnectionPage;
class TDialogs;
class TFileChooser;
class TFormatSettings;
class TGeneralPage;
class TLogger;
class TLoggingPage;
class TMessagePage;
class TAutostartEntry;
class TStartAtLoginCheckBox;
struct TDateTime;
struct TFrequency;
struct TTimeText;
class TSecretStore;

// What the configuration window works with. The program hands in its singletons and real dialogs;
// tests hand in their own.
struct TMainFormServices {
    TConfiguration& Configuration;
    TLogger& Logger;
    TDialogs& Dialogs;
    TFileChooser& FileChooser;
    const TFormatSettings& Formats;
    const TClock& Clock;
    // The program-wide error handler: receives what fails in the window's handlers (a settings file
    // that cannot be written on OK, a row whose date does not read).
    std::function<void(const std::exception&)> HandleError;
    // The desktop's autostart entry behind "Start at log-in" on the Logging page; without one the
    // window has no such box.
    const TAutostartEntry* Autostart = nullptr;
};

// The configuration window: four pages that edit every setting, committed as a whole with OK and
// discarded with Cancel. It is created once and only shown and hidden; between OK and Cancel its
// controls hold the values in force, which the schedule and the mail job read.
class TMainForm : public QDialog {
    Q_OBJECT
public:
    explicit TMainForm(TMainFormServices services, QWidget* parent = nullptr);
    ~TMainForm() override;

    // Settings into the controls (at start and on Cancel), and back (on OK, then the log writer is
    // configured again).
    void SettingsToControls();
    void ControlsToSettings();
    // The editing area of the recipients page at the current time, "Daily" from today, "BCC".
    void PrepareEditingArea();

    void OKButtonClick();
    void CancelButtonClick();

    // The recipient list's rows top to bottom, as the list shows them.
    std::vector<TRecipientRow> RecipientRows() const;
    // The recipient address field of the editing area, as typed.
    std::string RecipientAddressText() const;
    // The selected item of the distribution list ("BCC" 0, "CC" 1); -1 when the field holds a
    // typed text that is no item.
    int DistributionCode() const;
    // The fields of a mailing as they stand; the trust file, which has no control, as saved.
    TMailFields MailFields() const;
    // While a mailing runs "Send Now!" stays disabled; allowing it again restores what the
    // recipients page's rules say.
    // Where the connection page keeps typed passwords.
    void SetSecretStore(TSecretStore* store);
    void SetSendNowAllowed(bool allowed);

    // The recipient texts, as the window offers them to the schedule and the mail job.
    static std::string FormatTimeText(int hour, int minute);
    static bool ParseTimeText(const std::string& text, TTimeText& time);
    // Throws EConvertError when a dated frequency's date does not read in the short date format.
    TFrequency ParseFrequencyText(const std::string& text) const;
    static std::optional<int> ParseDistributionText(const std::string& text);

    // The editing area's operations.
    void ShowTime(int hour, int minute);
    std::string TimeFieldsText() const;
    void SetFrequency(int code, const TDateTime& date);
    std::string FrequencyText() const;
    void SetDistribution(int code);
    std::string DistributionText() const;

    TGeneralPage* GeneralPage() const { return General; }
    TMessagePage* MessagePage() const { return Message; }
    TConnectionPage* ConnectionPage() const { return Connection; }
    TLoggingPage* LoggingPage() const { return Logging; }
    QTabWidget* Pages() const { return PageControl; }
    TStartAtLoginCheckBox* StartAtLogin() const { return StartAtLoginBox; }

signals:
    void Shown();
    void Hidden();
    void SendNowClicked();
    // "Help" asks for the help's welcome topic; "About" for the About box.
    void HelpRequested();
    void AboutRequested();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    // Closing only hides the window; what was typed stays, neither saved nor reverted.
    void closeEvent(QCloseEvent* event) override;
    // Escape.
    void reject() override;

private:
    void LayOut();
    void SetAddIsDefault(bool addIsDefault);
    void ChooseDefaultButton();
    void PassOn(std::exception_ptr error) const;
    void AddStartAtLogin(const TAutostartEntry& entry);

    TMainFormServices Services;
    bool ShownBefore = false;
    bool AddIsDefault = false;
    QTabWidget* PageControl;
    TGeneralPage* General;
    TMessagePage* Message;
    TConnectionPage* Connection;
    TLoggingPage* Logging;
    TStartAtLoginCheckBox* StartAtLoginBox = nullptr;
    QPushButton* HelpButton;
    QPushButton* AboutButton;
    QPushButton* OKButton;
    QPushButton* CancelButton;
};

} // namespace corvalet
