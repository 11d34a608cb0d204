#include "ui/ConnectionPage.h"

#include "app/PasswordSource.h"
#include "settings/Configuration.h"
#include "settings/RecipientTexts.h"
#include "ui/DigitKeyFilter.h"
#include "ui/PageControls.h"
#include "ui/PageGrid.h"
#include "settings/TextValues.h"
#include "smtp/WipeSecret.h"
#include "ui/UiText.h"

#include <QComboBox>
#include <QGridLayout>
#include <QSlider>

namespace corvalet {

namespace {

// The ports that go with each security choice when the port is still SMTP's own 25.
constexpr int ProposedPorts[] = {25, 587, 465};

} // namespace

TConnectionPage::TConnectionPage(QWidget* parent)
    : QWidget(parent), Digits(new TDigitKeyFilter(this)),
      SMTPHostNameEdit(Named(new QLineEdit(this), "SMTPHostNameEdit")),
      PortNumberEdit(Named(new QLineEdit(this), "PortNumberEdit")),
      TimeOutTrackBar(Named(new QSlider(Qt::Horizontal, this), "TimeOutTrackBar")),
      TimeOutChoiceLabel(Named(new QLabel(this), "TimeOutChoiceLabel")),
      SecurityComboBox(Named(new QComboBox(this), "SecurityComboBox")),
      UserNameEdit(Named(new QLineEdit(this), "UserNameEdit")),
      PasswordEdit(Named(new QLineEdit(this), "PasswordEdit")),
      PasswordStateLabel(Named(new QLabel(this), "PasswordStateLabel")) {
    SecurityComboBox->addItems({tr("None"), tr("STARTTLS"), tr("TLS")});
    PasswordEdit->setEchoMode(QLineEdit::Password);
    PasswordStateLabel->setWordWrap(true);
    connect(SecurityComboBox, &QComboBox::currentIndexChanged, this, &TConnectionPage::SecurityComboBoxChange);
    connect(UserNameEdit, &QLineEdit::editingFinished, this, &TConnectionPage::ShowPasswordState);
    connect(SMTPHostNameEdit, &QLineEdit::editingFinished, this, &TConnectionPage::ShowPasswordState);
    Digits->Watch(PortNumberEdit);
    // The ten positions are the ten texts of the time-out table.
    TimeOutTrackBar->setRange(MinTimeOutStep, MaxTimeOutStep);
    TimeOutTrackBar->setTickPosition(QSlider::NoTicks);
    TimeOutTrackBar->setPageStep(1);
    TimeOutTrackBar->setValue(MinTimeOutStep);
    TimeOutTrackBarChange(TimeOutTrackBar->value());
    connect(TimeOutTrackBar, &QSlider::valueChanged, this, &TConnectionPage::TimeOutTrackBarChange);
    LayOut();
}

void TConnectionPage::LayOut() {
    PortNumberEdit->setMaximumWidth(
        PortNumberEdit->fontMetrics().horizontalAdvance(QStringLiteral("0000000000")));

    // The time-out's own texts stand beside and below the track bar, in the fields' column.
    auto* timeOut = new QGridLayout;
    timeOut->addWidget(new QLabel(tr("Short"), this), 0, 0);
    timeOut->addWidget(TimeOutTrackBar, 0, 1);
    timeOut->addWidget(new QLabel(tr("Long"), this), 0, 2);
    timeOut->addWidget(TimeOutChoiceLabel, 1, 1, Qt::AlignHCenter);
    timeOut->setColumnStretch(1, 1);

    TPageGrid page(*this, TPageGrid::ESpareHeight::AtEnd);
    page.AddHeading(tr("Connection"));
    page.AddRow(BuddyLabel(tr("&Outgoing e-mail (SMTP):"), SMTPHostNameEdit, this), SMTPHostNameEdit);
    page.AddHeading(tr("Port number of host"));
    page.AddRow(BuddyLabel(tr("&SMTP host port number:"), PortNumberEdit, this), PortNumberEdit, nullptr,
                Qt::AlignLeft);
    page.AddHeading(tr("Time out for host"));
    page.AddRow(nullptr, timeOut);
    page.AddHeading(tr("Security and login"));
    page.AddRow(BuddyLabel(tr("S&ecurity:"), SecurityComboBox, this), SecurityComboBox);
    page.AddRow(BuddyLabel(tr("&User name:"), UserNameEdit, this), UserNameEdit);
    page.AddRow(BuddyLabel(tr("Pass&word:"), PasswordEdit, this), PasswordEdit);
    page.AddRow(nullptr, PasswordStateLabel);

    setTabOrder(SMTPHostNameEdit, PortNumberEdit);
    setTabOrder(PortNumberEdit, TimeOutTrackBar);
    setTabOrder(TimeOutTrackBar, SecurityComboBox);
    setTabOrder(SecurityComboBox, UserNameEdit);
    setTabOrder(UserNameEdit, PasswordEdit);
}

void TConnectionPage::SettingsToControls(const TConfiguration& settings) {
    SMTPHostNameEdit->setText(ToQt(settings.SMTPHost));
    // The track bar keeps within its positions: the 0 of settings never saved shows as 1.
    TimeOutTrackBar->setValue(settings.TimeOut);
    PortNumberEdit->setText(QString::number(settings.PortNumber));
    {
        // Showing the saved choice proposes no port.
        const QSignalBlocker quiet(SecurityComboBox);
        // A value the list has no item for (a hand edit, a later version) shows as no item, not
        // as "None": it is kept as it is and a mailing refuses it.
        const bool known = settings.Security >= 0 && settings.Security < SecurityComboBox->count();
        SecurityComboBox->setCurrentIndex(known ? settings.Security : -1);
    }
    UserNameEdit->setText(ToQt(settings.UserName));
    PasswordEdit->clear();
    ShowPasswordState();
}

void TConnectionPage::ControlsToSettings(TConfiguration& settings) const {
    settings.SMTPHost = FromQt(SMTPHostNameEdit->text());
    settings.TimeOut = TimeOutTrackBar->value();
    settings.PortNumber = PortNumberFromText(FromQt(PortNumberEdit->text()));
    if (SecurityComboBox->currentIndex() >= 0)
        settings.Security = SecurityComboBox->currentIndex();
    settings.UserName = FromQt(UserNameEdit->text().trimmed());
}

void TConnectionPage::SecurityComboBoxChange(int index) {
    if (index < 0 || index > 2 || PortNumberEdit->text().trimmed() != QStringLiteral("25"))
        return;
    PortNumberEdit->setText(QString::number(ProposedPorts[index]));
}

void TConnectionPage::SetSecretStore(TSecretStore* store) {
    Store = store;
    ShowPasswordState();
}

void TConnectionPage::KeepPassword() {
    std::string password = FromQt(PasswordEdit->text());
    const TSecretWipe wipe(password);
    if (password.empty() || Store == nullptr)
        return;
    std::string error;
    const bool kept = Store->Write(FromQt(SMTPHostNameEdit->text()), FromQt(UserNameEdit->text().trimmed()),
                                   password, error);
    PasswordEdit->clear();
    ShowPasswordState();
    if (!kept)
        throw EPasswordUnavailable("The password could not be kept in the secret store: " + error);
}

void TConnectionPage::ShowPasswordState() {
    PasswordEdit->setEnabled(Store != nullptr);
    const std::string user = FromQt(UserNameEdit->text().trimmed());
    if (Store == nullptr) {
        PasswordStateLabel->setText(tr("No secret store: the password command of the settings file is used."));
        return;
    }
    if (user.empty()) {
        PasswordStateLabel->setText(tr("No login without a user name."));
        return;
    }
    std::string error;
    // Only whether one is kept: the page never holds the password itself.
    const bool kept = Store->Has(FromQt(SMTPHostNameEdit->text()), user, error);
    if (!error.empty())
        PasswordStateLabel->setText(tr("The secret store does not answer: %1").arg(ToQt(error)));
    else if (kept)
        PasswordStateLabel->setText(tr("A password is kept in the secret store."));
    else
        PasswordStateLabel->setText(tr("No password is kept yet: type it here."));
}

void TConnectionPage::TimeOutTrackBarChange(int position) {
    const std::string_view text = TimeOutText(position);
    TimeOutChoiceLabel->setText(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
}

} // namespace corvalet
