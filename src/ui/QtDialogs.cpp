#include "ui/QtDialogs.h"

#include "ui/UiText.h"

#include <QMessageBox>

namespace corvalet {

namespace {

// Texts are shown as they are: a server's reply or an address in angle brackets is no markup.
QMessageBox::StandardButton Show(QWidget* owner, QMessageBox::Icon icon, const QString& caption,
                                 const std::string& text, QMessageBox::StandardButtons buttons) {
    QMessageBox box(icon, caption, ToQt(text), buttons, owner);
    box.setTextFormat(Qt::PlainText);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

} // namespace

void TQtDialogs::ShowInformation(const std::string& text) {
    Show(Owner, QMessageBox::Information, QStringLiteral("Information"), text, QMessageBox::Ok);
}

void TQtDialogs::ShowError(const std::string& text) {
    Show(Owner, QMessageBox::Critical, QStringLiteral("Error"), text, QMessageBox::Ok);
}

bool TQtDialogs::Confirm(const std::string& text) {
    return Show(Owner, QMessageBox::Question, QStringLiteral("Confirm"), text,
                QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

} // namespace corvalet
