#include "ui/StartAtLogin.h"

#include "ui/UiText.h"

namespace corvalet {

TStartAtLoginCheckBox::TStartAtLoginCheckBox(TAutostartEntry entry, QWidget* parent)
    : QCheckBox(tr("Start Corvalet when I log in (with only its icon)"), parent),
      AutostartEntry(std::move(entry)) {
    setObjectName("StartAtLoginCheckBox");
    setToolTip(ToQt(AutostartEntry.FilePath()));
    Refresh();
}

void TStartAtLoginCheckBox::Refresh() {
    setChecked(AutostartEntry.IsPresent());
}

void TStartAtLoginCheckBox::Apply() {
    if (isChecked() == AutostartEntry.IsPresent())
        return;
    if (isChecked())
        AutostartEntry.Install();
    else
        AutostartEntry.Remove();
}

} // namespace corvalet
