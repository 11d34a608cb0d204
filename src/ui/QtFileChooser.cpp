#include "ui/QtFileChooser.h"

#include "ui/UiText.h"

#include <QFileDialog>
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
    dialog.setSizeGripEnabled(choice.Resizable);
    // Qt's dialogs never change the program's current folder, and a save dialog only offers
    // folders that exist, so KeepCurrentFolder and FolderMustExist hold by themselves.
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return FromQt(dialog.selectedFiles().first());
}

} // namespace corvalet
