#pragma once

#include "ui/ProgramShell.h"

namespace corvalet {

class TMainForm;

// The configuration window as the shell drives it.
class TMainFormShellWindow final : public TShellWindow {
public:
    explicit TMainFormShellWindow(TMainForm& form) : Form(form) {}

    QWidget* Widget() const override;
    void SettingsToControls() override;
    void PrepareEditingArea() override;
    std::string RecipientAddressText() const override;
    int DistributionIndex() const override;
    void OnSendNow(std::function<void()> click) override;
    void SetMailing(bool mailing) override;

    std::vector<TScheduleRow> RecipientRows() const override;

    TMailFields MailFields() const override;

private:
    TMainForm& Form;
};

} // namespace corvalet
