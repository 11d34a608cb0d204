#include "ui/QtFileChooser.h"

#include "ui/UiText.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QStringList>

namespace corvalet {

namespace {

// "All Files (*.*)" with "*.*" becomes Qt's "All Files (*)"; other patterns keep their form.
QString FilterText(const TFileType& type) {
    const QString pattern = type.Pattern == "*.*" ? QStringLiteral("*") : ToQt(type.Pattern);
    QString description = ToQt(type.Description);
    const qsizetype bracket = description.indexOf(QLatin1Char('('));
    if (bracket >= 0)
        description = description.left(bracket).trimmed();
    return description + QStringLiteral(" (") + pattern + QLatin1Char(')');
}

} // namespace

std::optional<std::string> TQtFileChooser::Choose(const TFileChoice& choice) {
    QFileDialog dialog(Owner, ToQt(choice.Title), ToQt(choice.InitialFolder));
    const bool save = choice.Kind == TFileChoice::EKind::Save;
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(choice.FileMustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    QStringList filters;
    for (const TFileType& type : choice.Types)
        filters << FilterText(type);
    dialog.setNameFilters(filters);
    if (!choice.DefaultExtension.empty())
        dialog.setDefaultSuffix(ToQt(choice.DefaultExtension));
    if (!choice.InitialFileName.empty())
        dialog.selectFile(ToQt(choice.InitialFileName));
    dialog.setOption(QFileDialog::ReadOnly, false);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !choice.ConfirmReplace);
    dialog.setSizeGripEnabled(choice.Resizable);
    // Qt's dialogs never change the program's current folder, so KeepCurrentFolder holds by itself.
    // A name typed into a folder that does not exist is accepted by the dialog; such a file could
    // never be written, so the user is told and asked again.
    for (;;) {
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return std::nullopt;
        const QString chosen = dialog.selectedFiles().first();
        const QString folder = QFileInfo(chosen).absolutePath();
        if (!choice.FolderMustExist || QFileInfo(folder).isDir())
            return FromQt(chosen);
        QMessageBox box(QMessageBox::Warning, dialog.windowTitle(),
                        QStringLiteral("The folder \"%1\" does not exist. Choose a folder that exists.")
                            .arg(QDir::toNativeSeparators(folder)),
                        QMessageBox::Ok, Owner);
        box.setTextFormat(Qt::PlainText);
        box.exec();
    }
}

} // namespace corvalet
