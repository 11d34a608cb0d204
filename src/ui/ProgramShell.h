#pragma once

#include "app/ApplicationErrorHandler.h"
#include "app/MailJob.h"
#include "app/Schedule.h"
#include "ui/TrayIcon.h"

#include <QObject>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace corvalet {

class TLogger;

// The configuration window as the program's shell drives it: its widget, the recipient rows the
// schedule reads, the fields the mail job reads, and the few steps of the start-up that fill it.
class TShellWindow : public TScheduleRowSource, public TMailJobWindow {
public:
    virtual QWidget* Widget() const = 0;
    // Copies the settings into the controls.
    virtual void SettingsToControls() = 0;
    // The editing area of the recipients page at start: the time fields at the current time,
    // "Daily" with the date at today, "BCC".
    virtual void PrepareEditingArea() = 0;
    // "Send Now!": the recipient field as typed, and the selected distribution item (-1: none).
    virtual std::string RecipientAddressText() const = 0;
    virtual int DistributionIndex() const = 0;
    // Runs `click` when "Send Now!" is pressed.
    virtual void OnSendNow(std::function<void()> click) = 0;
    // While a mailing runs "Send Now!" stays disabled.
    virtual void SetMailing(bool mailing) = 0;

    bool IsVisible() const override;
    void ShowWaitCursor() override;
    void RestoreCursor() override;
};

// What the shell uses beyond the window: the clock, formats, log writer, message boxes, the mail
// client of the data module and the password source, and the settings steps of the start-up.
struct TShellServices {
    const TClock& Clock;
    const TFormatSettings& Formats;
    TLogger& Logger;
    TDialogs& Dialogs;
    TMailClient& MailClient;
    // The password of a login, asked for at each mailing that logs in.
    TPasswordSource& Passwords;
    // Reads the settings file.
    std::function<void()> LoadSettings;
    // Sets the log writer up from the logging settings and reads the log file.
    std::function<void()> ConfigureLogger;
    // The saved connect time-out step.
    TSavedTimeOut SavedTimeOut;
    // Ends the message loop.
    std::function<void()> Quit;
    // The minutes evaluated, kept across runs (the resident program's "Corvalet.state").
    TDeliveryState& State;
    // The CatchUpMinutes setting as it stands.
    TCatchUpMinutes CatchUpMinutes;
};

// The resident program around the configuration window: the notification icon and its menu, the
// one-second timer that drives the schedule, the mail job, and the program-wide error handler.
class TProgramShell final : public QObject, public TErrorHandler {
    Q_OBJECT

public:
    static constexpr int TimerInterval = 1000;

    TProgramShell(TShellWindow& window, TShellServices services);
    ~TProgramShell() override;

    // The start-up steps of the window: hidden when asked ("/HIDE" as the first argument, or no
    // display), shown otherwise; then the settings, the controls, the log and the editing area. An
    // error on the way is reported and the rest skipped; the program goes on to its message loop.
    void FormCreate(bool startHidden, bool withoutDisplay = false);
    bool StartedHidden() const { return Hidden; }

    void TimerTimer();
    void SendNowBitBtnClick();
    void ConfigureMenuItemClick();
    void DisableEnableMenuItemClick();
    void ExitMenuItemClick();

    void HandleApplicationException(const std::exception& error) override;
    void HandleUnknownException();

    TTrayIcon& TrayIcon() { return Tray; }
    QTimer& Timer() { return TickTimer; }
    TSchedule& Schedule() { return *Scheduler; }
    TMailJob& MailJob() { return *Job; }
    const std::vector<std::string>& LogLines() const { return Lines; }
    bool ExitPending() const { return ExitRequested; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormShow();
    void FormHide();
    void UpdateTimer();
    // Names the next mailing of the rows in the icon's hint.
    void UpdateNextMailingHint();
    void MailingChanged(bool mailing);
    // Runs an event handler; whatever escapes it goes to the error handler.
    void Guarded(const std::function<void()>& handler);

    TShellWindow& Window;
    TShellServices Services;
    std::vector<std::string> Lines;
    TTrayIcon Tray;
    QTimer TickTimer;
    std::unique_ptr<TApplicationErrorHandler> Errors;
    std::unique_ptr<TMailJob> Job;
    std::unique_ptr<TSchedule> Scheduler;
    bool Hidden = false;
    bool ExitRequested = false;
    // The minute whose tick last updated the hint.
    std::optional<TDateTime> HintMinute;
};

} // namespace corvalet
