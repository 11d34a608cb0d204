#include "help/ContextHelp.h"

#include "help/WindowHelpTable.h"

#include <QApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QWhatsThis>
#include <QWidget>

namespace corvalet {

namespace {

// Watches the application's events for those of one window: F1 on any of its widgets and the
// context-help mode's click and query. An application-wide filter sees F1 before a widget with the
// focus can take the key for itself.
class TContextHelpFilter : public QObject {
public:
    TContextHelpFilter(QWidget& window, THelpManager& manager)
        : QObject(&window), Window(window), Manager(manager) {
        qApp->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        const auto type = event->type();
        if (type != QEvent::KeyPress && type != QEvent::WhatsThis && type != QEvent::QueryWhatsThis)
            return false;
        auto* widget = qobject_cast<QWidget*>(watched);
        if (!widget || widget->window() != &Window)
            return false;
        switch (type) {
        case QEvent::KeyPress: {
            const auto* key = static_cast<QKeyEvent*>(event);
            if (key->key() != Qt::Key_F1)
                return false;
            if (key->modifiers() == Qt::ShiftModifier) {
                // Many desktops draw no context-help button, so Shift+F1 starts the same mode.
                QWhatsThis::enterWhatsThisMode();
                return true;
            }
            if (key->modifiers() != Qt::NoModifier)
                return false;
            QWidget* focused = Window.focusWidget();
            AskHelpFor(Manager, WidgetHelpChain(focused ? focused : &Window));
            return true;
        }
        case QEvent::WhatsThis:
            // The help window answers the click; the mode ends with it, as after a help text.
            QWhatsThis::leaveWhatsThisMode();
            AskHelpFor(Manager, WidgetHelpChain(widget));
            event->accept();
            return true;
        default: // QueryWhatsThis: every widget of the window has help, its own or its parents'.
            event->accept();
            return true;
        }
    }

private:
    QWidget& Window;
    THelpManager& Manager;
};

} // namespace

std::vector<THelpSite> WidgetHelpChain(const QWidget* widget) {
    std::vector<THelpSite> chain;
    for (; widget; widget = widget->isWindow() ? nullptr : widget->parentWidget()) {
        const auto info = WindowElementHelp(widget->objectName().toStdString());
        const QPoint topLeft = widget->mapToGlobal(QPoint(0, 0));
        chain.push_back({info.value_or(THelpInfo{}), topLeft.x(), topLeft.y()});
    }
    return chain;
}

std::vector<THelpSite> TWidgetHelpFocus::FocusChain() const {
    const QWidget* focused = QApplication::focusWidget();
    return focused ? WidgetHelpChain(focused) : std::vector<THelpSite>();
}

void InstallContextHelp(QWidget& window, THelpManager& manager) {
    window.setWindowFlag(Qt::WindowContextHelpButtonHint, true);
    // Owned by the window, so the filter goes with it.
    new TContextHelpFilter(window, manager);
}

} // namespace corvalet
