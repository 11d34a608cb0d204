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

    std::string SenderName() const override;
    std::string SenderAddress() const override;
    std::string BodyFileName() const override;
    int ContentTypeIndex() const override;
    std::string Subject() const override;
    int PriorityIndex() const override;
    std::string AttachmentFileName() const override;
    std::string SMTPHostName() const override;
    std::string PortNumber() const override;
    int SecurityIndex() const override;
    std::string UserName() const override;

private:
    TMainForm& Form;
};

} // namespace corvalet
