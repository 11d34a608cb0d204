#pragma once

#include "platform/Autostart.h"

#include <QCheckBox>

namespace corvalet {

// "Start Corvalet when I log in": ticked while the desktop's autostart entry is there. Like every
// other setting of the window, the choice takes effect with OK; Cancel shows the entry's state
// again.
class TStartAtLoginCheckBox : public QCheckBox {
    Q_OBJECT
public:
    explicit TStartAtLoginCheckBox(TAutostartEntry entry, QWidget* parent = nullptr);

    // Shows whether the entry is there.
    void Refresh();
    // Writes or removes the entry as the box says. Throws EAutostartError when that fails.
    void Apply();

    const TAutostartEntry& Entry() const { return AutostartEntry; }

private:
    TAutostartEntry AutostartEntry;
};

} // namespace corvalet
