#include "ui/MessagePage.h"

#include "settings/Configuration.h"
#include "settings/RecipientTexts.h"
#include "ui/DigitKeyFilter.h"
#include "ui/FileChooser.h"
#include "ui/FileNameRules.h"
#include "ui/PageControls.h"
#include "ui/PageGrid.h"
#include "ui/UiText.h"


namespace corvalet {

TMessagePage::TMessagePage(TFileChooser& chooser, QWidget* parent)
    : QWidget(parent), Chooser(chooser), Digits(new TDigitKeyFilter(this)),
      EmailPriorityComboBox(Named(new QComboBox(this), "EmailPriorityComboBox")),
      SubjectEdit(Named(new QLineEdit(this), "SubjectEdit")),
      AttachmentFileNameEdit(Named(new QLineEdit(this), "AttachmentFileNameEdit")),
      SelectAttachmentFileNameButton(BrowseButton("SelectAttachmentFileNameButton", this)),
      BodyFileNameEdit(Named(new QLineEdit(this), "BodyFileNameEdit")),
      SelectBodyFileNameButton(BrowseButton("SelectBodyFileNameButton", this)),
      ContentTypeComboBox(Named(new QComboBox(this), "ContentTypeComboBox")) {
    EmailPriorityComboBox->addItems(ItemsOf(PriorityTexts));
    EmailPriorityComboBox->setCurrentIndex(2);
    ContentTypeComboBox->addItems(ItemsOf(ContentTypeTexts));
    // Paths come from the choosers or the clipboard; typing is limited to digits.
    Digits->Watch(AttachmentFileNameEdit);
    Digits->Watch(BodyFileNameEdit);
    ShowNameAsToolTip(AttachmentFileNameEdit);
    ShowNameAsToolTip(BodyFileNameEdit);
    connect(SelectBodyFileNameButton, &QPushButton::clicked, this,
            &TMessagePage::SelectBodyFileNameButtonClick);
    connect(SelectAttachmentFileNameButton, &QPushButton::clicked, this,
            &TMessagePage::SelectAttachmentFileNameButtonClick);
    LayOut();
}

void TMessagePage::LayOut() {
    TPageGrid page(*this, TPageGrid::ESpareHeight::AtEnd);
    page.AddHeading(tr("Priority"));
    page.AddRow(BuddyLabel(tr("E-mail &priority:"), EmailPriorityComboBox, this), EmailPriorityComboBox, nullptr,
                Qt::AlignLeft);
    page.AddHeading(tr("Message subject"));
    page.AddRow(BuddyLabel(tr("Message &subject:"), SubjectEdit, this), SubjectEdit);
    page.AddHeading(tr("Attachment"));
    page.AddRow(BuddyLabel(tr("&Attachment file name:"), AttachmentFileNameEdit, this), AttachmentFileNameEdit,
                SelectAttachmentFileNameButton);
    page.AddHeading(tr("Message body"));
    page.AddRow(BuddyLabel(tr("Body &file name:"), BodyFileNameEdit, this), BodyFileNameEdit,
                SelectBodyFileNameButton);
    page.AddRow(BuddyLabel(tr("&Content type:"), ContentTypeComboBox, this), ContentTypeComboBox, nullptr,
                Qt::AlignLeft);

    setTabOrder(EmailPriorityComboBox, SubjectEdit);
    setTabOrder(SubjectEdit, AttachmentFileNameEdit);
    setTabOrder(AttachmentFileNameEdit, SelectAttachmentFileNameButton);
    setTabOrder(SelectAttachmentFileNameButton, BodyFileNameEdit);
    setTabOrder(BodyFileNameEdit, SelectBodyFileNameButton);
    setTabOrder(SelectBodyFileNameButton, ContentTypeComboBox);
}

void TMessagePage::SettingsToControls(const TConfiguration& settings) {
    BodyFileNameEdit->setText(ToQt(settings.BodyFileName));
    SelectCode(EmailPriorityComboBox, settings.Priority);
    SubjectEdit->setText(ToQt(settings.Subject));
    AttachmentFileNameEdit->setText(ToQt(settings.Attachment));
    SelectCode(ContentTypeComboBox, settings.ContentType);
}

void TMessagePage::ControlsToSettings(TConfiguration& settings) const {
    settings.BodyFileName = FromQt(BodyFileNameEdit->text());
    settings.Priority = SelectedCode(EmailPriorityComboBox, settings.Priority);
    settings.Subject = FromQt(SubjectEdit->text());
    settings.Attachment = FromQt(AttachmentFileNameEdit->text());
    settings.ContentType = SelectedCode(ContentTypeComboBox, settings.ContentType);
}

void TMessagePage::SelectBodyFileNameButtonClick() {
    TFileChoice choice;
    choice.Title = "Select file";
    choice.Types = {
        {"All Files (*.*)", "*.*"}, {"Web Page (*.html)", "*.html"}, {"Text File (*.txt)", "*.txt"}};
    const std::optional<std::string> chosen = Chooser.Choose(choice);
    if (!chosen)
        return;
    BodyFileNameEdit->setText(ToQt(*chosen));
    if (const std::optional<int> contentType = ContentTypeForBodyFile(*chosen))
        ContentTypeComboBox->setCurrentIndex(*contentType);
}

void TMessagePage::SelectAttachmentFileNameButtonClick() {
    TFileChoice choice;
    choice.Title = "Select file to attach";
    choice.Types = {{"All Files (*.*)", "*.*"}};
    choice.FileMustExist = true;
    if (const std::optional<std::string> chosen = Chooser.Choose(choice))
        AttachmentFileNameEdit->setText(ToQt(*chosen));
}

} // namespace corvalet
