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

TMailFields TMainFormShellWindow::MailFields() const {
    return Form.MailFields();
}

} // namespace corvalet
