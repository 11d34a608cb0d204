#include "ui/MainFormShellWindow.h"

#include "ui/MainForm.h"

namespace corvalet {

QWidget* TMainFormShellWindow::Widget() const {
    return &Form;
}

void TMainFormShellWindow::SettingsToControls() {
    Form.SettingsToControls();
}

void TMainFormShellWindow::PrepareEditingArea() {
    Form.PrepareEditingArea();
}

std::string TMainFormShellWindow::RecipientAddressText() const {
    return Form.RecipientAddressText();
}

int TMainFormShellWindow::DistributionIndex() const {
    return Form.DistributionCode();
}

void TMainFormShellWindow::OnSendNow(std::function<void()> click) {
    QObject::connect(&Form, &TMainForm::SendNowClicked, &Form, std::move(click));
}

void TMainFormShellWindow::SetMailing(bool mailing) {
    Form.SetSendNowAllowed(!mailing);
}

std::vector<TScheduleRow> TMainFormShellWindow::RecipientRows() const {
    std::vector<TScheduleRow> rows;
    for (TRecipientRow& row : Form.RecipientRows())
        rows.push_back(TScheduleRow{std::move(row.Address), std::move(row.Time), std::move(row.Frequency),
                                    std::move(row.Distribution)});
    return rows;
}

std::string TMainFormShellWindow::SenderName() const {
    return Form.MailFields().SenderName;
}
std::string TMainFormShellWindow::SenderAddress() const {
    return Form.MailFields().SenderAddress;
}
std::string TMainFormShellWindow::BodyFileName() const {
    return Form.MailFields().BodyFileName;
}
int TMainFormShellWindow::ContentTypeIndex() const {
    return Form.MailFields().ContentType;
}
std::string TMainFormShellWindow::Subject() const {
    return Form.MailFields().Subject;
}
int TMainFormShellWindow::PriorityIndex() const {
    return Form.MailFields().Priority;
}
std::string TMainFormShellWindow::AttachmentFileName() const {
    return Form.MailFields().Attachment;
}
std::string TMainFormShellWindow::SMTPHostName() const {
    return Form.MailFields().SMTPHost;
}
std::string TMainFormShellWindow::PortNumber() const {
    return Form.MailFields().PortNumber;
}

int TMainFormShellWindow::SecurityIndex() const {
    return Form.MailFields().Security;
}

std::string TMainFormShellWindow::UserName() const {
    return Form.MailFields().UserName;
}

} // namespace corvalet
