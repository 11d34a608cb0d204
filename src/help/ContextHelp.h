#pragma once

#include "help/HelpFocus.h"
#include "help/HelpManager.h"

#include <vector>

class QWidget;

namespace corvalet {

// The help sites from a widget up to its window, each carrying the help that the configuration
// window's help table gives the widget's object name.
std::vector<THelpSite> WidgetHelpChain(const QWidget* widget);

// The help focus of the running program: the chain from the widget that has the keyboard focus.
class TWidgetHelpFocus : public THelpFocus {
public:
    std::vector<THelpSite> FocusChain() const override;
};

// Gives a top-level window F1 and the context-help button: F1 asks for the help of the focused
// widget, a click in context-help mode (the title bar's "?" or Shift+F1) for the help of the widget
// clicked; either walks up to the first widget that carries help and asks the manager by its
// keyword or context number. Call it
// before the window is first shown (the context-help button is a window flag). The handling ends
// with the window.
void InstallContextHelp(QWidget& window, THelpManager& manager);

} // namespace corvalet
