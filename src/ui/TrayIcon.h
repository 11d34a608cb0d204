#pragma once

#include <QAction>
#include <QIcon>
#include <QMenu>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QSystemTrayIcon>
#include <QWidget>

#include <memory>

namespace corvalet {

// The program's icon in the notification area, with its menu, and the watch over the
// configuration window that turns its close and minimize requests into hiding it.
class TTrayIcon final : public QObject {
    Q_OBJECT

public:
    // The longest tooltip the notification area takes.
    static constexpr int MaxHintLength = 63;

    explicit TTrayIcon(QObject* parent = nullptr);
    ~TTrayIcon() override;

    // Watches `window`: a close request hides it while NoClose is true, and minimizing hides it
    // unless ShowMinimizedIcon is true.
    void AttachTo(QWidget* window);
    // Puts the icon in the notification area. Where there is none yet (a program started at log-in
    // may start before the desktop's panel), the icon appears as soon as one does. Returns whether
    // a notification area is there now.
    bool Activate();
    bool IsActive() const;
    static bool NotificationAreaAvailable();

    void SetHint(const QString& hint);
    QString Hint() const;
    // The caption of DisableEnableMenuItem names what the entry does next; while scheduling is off
    // the hint says the mailings are paused.
    void SetSchedulingEnabled(bool enabled);
    // The hint names the next mailing: `when` as the user reads it and the number of recipients
    // due then. An empty `when` (nothing is due any more) leaves just the program's name.
    void SetNextMailing(const QString& when, int recipients);

    bool NoClose = true;
    bool ShowMinimizedIcon = false;

    QMenu* PopupMenu() const { return Menu.get(); }
    QAction* ConfigureMenuItem = nullptr;
    QAction* DisableEnableMenuItem = nullptr;
    QAction* ExitMenuItem = nullptr;

signals:
    // "Configure" or a double click on the icon.
    void ConfigureRequested();
    void DisableEnableRequested();
    void ExitRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OnActivated(QSystemTrayIcon::ActivationReason reason);
    void ShowSchedule();

    std::unique_ptr<QMenu> Menu;
    QSystemTrayIcon Icon;
    QPointer<QWidget> Window;
    bool SchedulingEnabled = true;
    QString NextMailing;
    int NextRecipients = 0;
};

} // namespace corvalet
