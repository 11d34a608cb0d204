#include "ui/ProgramShell.h"

#include "app/NextMailing.h"
#include "log/Logger.h"
#include "settings/Configuration.h"

#include <QApplication>
#include <QCursor>
#include <QEvent>

#include <cstdio>

namespace corvalet {

namespace {

// The wait cursor for the length of a scope, restored whichever way the scope ends.
class TWaitCursorScope {
public:
    explicit TWaitCursorScope(TMailJobWindow& window) : Window(window) { Window.ShowWaitCursor(); }
    ~TWaitCursorScope() { Window.RestoreCursor(); }
    TWaitCursorScope(const TWaitCursorScope&) = delete;
    TWaitCursorScope& operator=(const TWaitCursorScope&) = delete;

private:
    TMailJobWindow& Window;
};

bool IsBlank(const std::string& text) {
    return text.find_first_not_of(" \t\r\n\f\v") == std::string::npos;
}

} // namespace

bool TShellWindow::IsVisible() const {
    return Widget()->isVisible();
}

void TShellWindow::ShowWaitCursor() {
    QApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
}

void TShellWindow::RestoreCursor() {
    QApplication::restoreOverrideCursor();
}

TProgramShell::TProgramShell(TShellWindow& window, TShellServices services)
    : Window(window), Services(std::move(services)) {
    Errors =
        std::make_unique<TApplicationErrorHandler>([this] { return Window.IsVisible(); }, Services.Dialogs,
                                                   Services.Logger, Services.Clock, Services.Formats);
    Job = std::make_unique<TMailJob>(Window, Services.MailClient, Services.Passwords, Services.Dialogs,
                                     Services.Logger, Services.Clock, Services.Formats, Services.SavedTimeOut);
    Job->OnMailingChanged = [this](bool mailing) { MailingChanged(mailing); };
    Scheduler = std::make_unique<TSchedule>(Services.Clock, Services.Formats, Window, *Job, *this, Services.State,
                                            Services.CatchUpMinutes);

    TickTimer.setInterval(TimerInterval);
    connect(&TickTimer, &QTimer::timeout, this, &TProgramShell::TimerTimer);
    connect(&Tray, &TTrayIcon::ConfigureRequested, this, &TProgramShell::ConfigureMenuItemClick);
    connect(&Tray, &TTrayIcon::DisableEnableRequested, this, &TProgramShell::DisableEnableMenuItemClick);
    connect(&Tray, &TTrayIcon::ExitRequested, this, &TProgramShell::ExitMenuItemClick);
    Window.OnSendNow([this] { SendNowBitBtnClick(); });

    Tray.AttachTo(Window.Widget());
    Window.Widget()->installEventFilter(this);
    // The timer runs from the start; showing the window stops it.
    TickTimer.start();
}

TProgramShell::~TProgramShell() {
    if (Window.Widget())
        Window.Widget()->removeEventFilter(this);
    Services.Logger.SetLines(nullptr);
}

void TProgramShell::FormCreate(bool startHidden, bool withoutDisplay) {
    Hidden = startHidden || withoutDisplay;
    // Without a display the start has already said how the program runs.
    if (!Tray.Activate() && !withoutDisplay)
        std::fprintf(stderr,
                     "Corvalet: there is no notification area yet, so the program's icon appears only when "
                     "one starts. While its window is closed the schedule runs; to open the window without "
                     "the icon, end this process (%lld) and start Corvalet again without /HIDE.\n",
                     static_cast<long long>(QCoreApplication::applicationPid()));
    // A hidden start changes nothing in how the window minimizes: minimizing always sends it back to
    // the notification area and resumes the schedule.
    if (!Hidden) {
        Window.Widget()->show();
        Window.Widget()->raise();
        Window.Widget()->activateWindow();
    }
    TWaitCursorScope waitCursor(Window);
    try {
        Services.LoadSettings();
        Window.SettingsToControls();
        Scheduler->SchedulingEnabled = true;
        Tray.SetSchedulingEnabled(true);
        Services.Logger.SetLines(&Lines);
        Services.ConfigureLogger();
        Window.PrepareEditingArea();
        UpdateNextMailingHint();
    } catch (const std::exception& error) {
        HandleApplicationException(error);
    }
}

void TProgramShell::Guarded(const std::function<void()>& handler) {
    try {
        handler();
    } catch (const std::exception& error) {
        HandleApplicationException(error);
    } catch (...) {
        HandleUnknownException();
    }
}

void TProgramShell::HandleApplicationException(const std::exception& error) {
    Errors->HandleApplicationException(error);
}

void TProgramShell::HandleUnknownException() {
    Errors->HandleUnknownException();
}

void TProgramShell::TimerTimer() {
    Guarded([this] { Scheduler->TimerTimer(); });
    // Once a minute is enough: the hint names minutes.
    if (HintMinute != ScheduledMinuteOf(Services.Clock.Now()))
        Guarded([this] { UpdateNextMailingHint(); });
}

void TProgramShell::UpdateNextMailingHint() {
    const TDateTime now = Services.Clock.Now();
    const TDateTime minute = ScheduledMinuteOf(now);
    // A minute whose pass has not run yet (the window just closed, the program just started) is
    // still to be mailed by the next tick: its rows count, and the hint is due again once it ran.
    const bool passDone = Scheduler->WasEvaluated(minute);
    HintMinute = passDone ? std::optional<TDateTime>(minute) : std::nullopt;
    const TDateTime after = passDone ? now : minute.AddMinutes(-1);
    const std::optional<TNextMailings> next =
        NextMailingOfRows(Window.RecipientRows(), after, Services.Formats);
    if (next)
        Tray.SetNextMailing(QString::fromStdString(MailingTimeText(next->When, Services.Formats)),
                            next->Rows);
    else
        Tray.SetNextMailing(QString(), 0);
}

void TProgramShell::SendNowBitBtnClick() {
    // The button is disabled during a mailing; a click that still arrives is ignored.
    if (Job->IsMailing() || ExitRequested)
        return;
    Guarded([this] {
        const std::string recipient = Window.RecipientAddressText();
        if (IsBlank(recipient))
            return;
        // No item selected gives a code that the mail job refuses as a wrong distribution.
        Job->SendMailTo(recipient, static_cast<std::uint8_t>(Window.DistributionIndex()));
    });
}

void TProgramShell::ConfigureMenuItemClick() {
    QWidget* widget = Window.Widget();
    widget->show();
    if (widget->isMinimized())
        widget->setWindowState(widget->windowState() & ~Qt::WindowMinimized);
    widget->raise();
    widget->activateWindow();
}

void TProgramShell::DisableEnableMenuItemClick() {
    Scheduler->SchedulingEnabled = !Scheduler->SchedulingEnabled;
    Tray.SetSchedulingEnabled(Scheduler->SchedulingEnabled);
    Guarded([this] { UpdateNextMailingHint(); });
    UpdateTimer();
}

void TProgramShell::ExitMenuItemClick() {
    if (Job->IsMailing()) {
        // A mailing waits on the network further down the stack: the program ends once it has
        // reported, never from under it.
        ExitRequested = true;
        Scheduler->Stop();
        TickTimer.stop();
        Window.Widget()->hide();
        return;
    }
    Scheduler->Stop();
    TickTimer.stop();
    if (Services.Quit)
        Services.Quit();
}

void TProgramShell::MailingChanged(bool mailing) {
    Window.SetMailing(mailing);
    if (mailing)
        return;
    // Called from inside the mail job: what waited runs from the message loop, after the mailing
    // has left the stack.
    QTimer::singleShot(0, this, [this] {
        if (ExitRequested) {
            if (!Job->IsMailing() && Services.Quit)
                Services.Quit();
            return;
        }
        Guarded([this] { Scheduler->RunPendingPasses(); });
    });
}

bool TProgramShell::eventFilter(QObject* watched, QEvent* event) {
    // Only the program's own show and hide requests count: the window system's spontaneous ones
    // come with minimizing and restoring, which leave the window counted as shown.
    if (watched == Window.Widget() && !event->spontaneous()) {
        if (event->type() == QEvent::Show)
            FormShow();
        else if (event->type() == QEvent::Hide)
            FormHide();
    }
    return QObject::eventFilter(watched, event);
}

void TProgramShell::FormShow() {
    TickTimer.stop();
    Window.Widget()->setWindowTitle(QString::fromStdString(ApplicationName() + " Configuration"));
}

void TProgramShell::FormHide() {
    // OK, Cancel or closing: the rows may have changed.
    Guarded([this] { UpdateNextMailingHint(); });
    UpdateTimer();
}

void TProgramShell::UpdateTimer() {
    if (!ExitRequested && !Window.IsVisible() && Scheduler->SchedulingEnabled)
        TickTimer.start();
    else
        TickTimer.stop();
}

} // namespace corvalet
