#include "ui/MessagePage.h"

#include "settings/Configuration.h"
#include "settings/RecipientTexts.h"
#include "ui/DigitKeyFilter.h"
#include "ui/FileChooser.h"
#include "ui/FileNameRules.h"
#include "ui/PageControls.h"
#include "ui/PageHeading.h"
#include "ui/UiText.h"

#include <QGridLayout>
#include <QVBoxLayout>

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
    connect(SelectBodyFileNameButton, &QPushButton::clicked, this,
            &TMessagePage::SelectBodyFileNameButtonClick);
    connect(SelectAttachmentFileNameButton, &QPushButton::clicked, this,
            &TMessagePage::SelectAttachmentFileNameButtonClick);
    LayOut();
}

void TMessagePage::LayOut() {
    auto* priority = new QGridLayout;
    priority->addWidget(BuddyLabel(tr("E-mail &priority:"), EmailPriorityComboBox, this), 0, 0);
    priority->addWidget(EmailPriorityComboBox, 0, 1);
    priority->setColumnStretch(2, 1);

    auto* subject = new QGridLayout;
    subject->addWidget(BuddyLabel(tr("Message &subject:"), SubjectEdit, this), 0, 0);
    subject->addWidget(SubjectEdit, 0, 1);

    auto* attachment = new QGridLayout;
    attachment->addWidget(BuddyLabel(tr("&Attachment file name:"), AttachmentFileNameEdit, this), 0, 0, 1, 2);
    attachment->addWidget(AttachmentFileNameEdit, 1, 0);
    attachment->addWidget(SelectAttachmentFileNameButton, 1, 1);

    auto* body = new QGridLayout;
    body->addWidget(BuddyLabel(tr("Body &file name:"), BodyFileNameEdit, this), 0, 0, 1, 3);
    body->addWidget(BodyFileNameEdit, 1, 0, 1, 2);
    body->addWidget(SelectBodyFileNameButton, 1, 2);
    body->addWidget(BuddyLabel(tr("&Content type:"), ContentTypeComboBox, this), 2, 0);
    body->addWidget(ContentTypeComboBox, 2, 1, Qt::AlignLeft);
    body->setColumnStretch(1, 1);

    auto* page = new QVBoxLayout(this);
    page->setContentsMargins(PageMargin, PageMargin, PageMargin, PageMargin);
    page->addWidget(new TPageHeading(tr("Priority"), this));
    page->addLayout(priority);
    page->addWidget(new TPageHeading(tr("Message subject"), this));
    page->addLayout(subject);
    page->addWidget(new TPageHeading(tr("Attachment"), this));
    page->addLayout(attachment);
    page->addWidget(new TPageHeading(tr("Message body"), this));
    page->addLayout(body);
    page->addStretch(1);

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
