#include "ui/QtDialogs.h"

#include "ui/UiText.h"

#include <QMessageBox>

namespace corvalet {

void TQtDialogs::ShowInformation(const std::string& text) {
    QMessageBox::information(Owner, QStringLiteral("Information"), ToQt(text));
}

void TQtDialogs::ShowError(const std::string& text) {
    QMessageBox::critical(Owner, QStringLiteral("Error"), ToQt(text));
}

bool TQtDialogs::Confirm(const std::string& text) {
    return QMessageBox::question(Owner, QStringLiteral("Confirm"), ToQt(text),
                                 QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes) == QMessageBox::Yes;
}

} // namespace corvalet
