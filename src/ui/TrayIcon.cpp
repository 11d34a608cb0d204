#include "ui/TrayIcon.h"

#include "help/ProgramIcon.h"

#include <QCloseEvent>
#include <QEvent>
#include <QFont>
#include <QTimer>
#include <QWindowStateChangeEvent>

namespace corvalet {

TTrayIcon::TTrayIcon(QObject* parent) : QObject(parent), Menu(std::make_unique<QMenu>()) {
    ConfigureMenuItem = Menu->addAction(QStringLiteral("Configure"));
    QFont bold = ConfigureMenuItem->font();
    bold.setBold(true);
    ConfigureMenuItem->setFont(bold);
    Menu->setDefaultAction(ConfigureMenuItem);
    DisableEnableMenuItem = Menu->addAction(QStringLiteral("Disable"));
    ExitMenuItem = Menu->addAction(QStringLiteral("Exit"));

    connect(ConfigureMenuItem, &QAction::triggered, this, &TTrayIcon::ConfigureRequested);
    connect(DisableEnableMenuItem, &QAction::triggered, this, &TTrayIcon::DisableEnableRequested);
    connect(ExitMenuItem, &QAction::triggered, this, &TTrayIcon::ExitRequested);
    connect(&Icon, &QSystemTrayIcon::activated, this, &TTrayIcon::OnActivated);

    Icon.setIcon(ProgramIcon());
    Icon.setContextMenu(Menu.get());
    SetHint(QStringLiteral("Corvalet"));
}

TTrayIcon::~TTrayIcon() {
    if (Window)
        Window->removeEventFilter(this);
    Icon.hide();
}

void TTrayIcon::AttachTo(QWidget* window) {
    if (Window)
        Window->removeEventFilter(this);
    Window = window;
    if (Window)
        Window->installEventFilter(this);
}

bool TTrayIcon::NotificationAreaAvailable() {
    return QSystemTrayIcon::isSystemTrayAvailable();
}

bool TTrayIcon::Activate() {
    // Shown whatever the answer: an icon not shown now would stay away for the whole session.
    const bool available = NotificationAreaAvailable();
    Icon.show();
    return available;
}

bool TTrayIcon::IsActive() const {
    return Icon.isVisible();
}

void TTrayIcon::SetHint(const QString& hint) {
    Icon.setToolTip(hint.left(MaxHintLength));
}

QString TTrayIcon::Hint() const {
    return Icon.toolTip();
}

void TTrayIcon::SetSchedulingEnabled(bool enabled) {
    DisableEnableMenuItem->setText(enabled ? QStringLiteral("Disable") : QStringLiteral("Enable"));
    SchedulingEnabled = enabled;
    ShowSchedule();
}

void TTrayIcon::SetNextMailing(const QString& when, int recipients) {
    NextMailing = when;
    NextRecipients = recipients;
    ShowSchedule();
}

void TTrayIcon::ShowSchedule() {
    const QString name = QStringLiteral("Corvalet");
    if (!SchedulingEnabled) {
        SetHint(name + QStringLiteral(" - paused"));
        return;
    }
    if (NextMailing.isEmpty()) {
        SetHint(name);
        return;
    }
    // One call: a date text is never read again for place markers.
    const QString mailing =
        QStringLiteral("next mailing %1 to %2 %3")
            .arg(NextMailing, QString::number(NextRecipients),
                 NextRecipients == 1 ? QStringLiteral("recipient") : QStringLiteral("recipients"));
    QString hint = name + QStringLiteral(" - ") + mailing;
    // A long date format must not cut off the number of recipients: the name goes first.
    if (hint.size() > MaxHintLength)
        hint = mailing.left(1).toUpper() + mailing.mid(1);
    SetHint(hint);
}

void TTrayIcon::OnActivated(QSystemTrayIcon::ActivationReason reason) {
    // The right button opens the context menu by itself; a single click does nothing.
    if (reason == QSystemTrayIcon::DoubleClick)
        emit ConfigureRequested();
}

bool TTrayIcon::eventFilter(QObject* watched, QEvent* event) {
    if (watched != Window)
        return QObject::eventFilter(watched, event);
    if (event->type() == QEvent::Close && NoClose) {
        // The program keeps running: closing only sends the window back to the tray. What was
        // typed into it is neither saved nor reverted.
        event->ignore();
        Window->hide();
        return true;
    }
    if (event->type() == QEvent::WindowStateChange && !ShowMinimizedIcon && Window->isMinimized()) {
        // Hide after the minimize has been processed, and give the window its normal state back so
        // that it opens normally next time.
        QPointer<QWidget> window = Window;
        QTimer::singleShot(0, this, [window] {
            if (window && window->isMinimized()) {
                window->hide();
                window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
            }
        });
    }
    return QObject::eventFilter(watched, event);
}

} // namespace corvalet
