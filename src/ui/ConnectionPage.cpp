#include "ui/ConnectionPage.h"

#include "app/PasswordSource.h"
#include "settings/Configuration.h"
#include "settings/RecipientTexts.h"
#include "ui/DigitKeyFilter.h"
#include "ui/PageControls.h"
#include "ui/PageHeading.h"
#include "settings/TextValues.h"
#include "ui/UiText.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QSlider>
#include <QVBoxLayout>

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
    auto* host = new QGridLayout;
    host->addWidget(BuddyLabel(tr("&Outgoing e-mail (SMTP):"), SMTPHostNameEdit, this), 0, 0);
    host->addWidget(SMTPHostNameEdit, 0, 1);

    auto* port = new QGridLayout;
    port->addWidget(BuddyLabel(tr("&SMTP host port number:"), PortNumberEdit, this), 0, 0);
    port->addWidget(PortNumberEdit, 0, 1);
    PortNumberEdit->setMaximumWidth(
        PortNumberEdit->fontMetrics().horizontalAdvance(QStringLiteral("0000000000")));
    port->setColumnStretch(2, 1);

    auto* timeOut = new QHBoxLayout;
    timeOut->addWidget(new QLabel(tr("Short"), this));
    timeOut->addWidget(TimeOutTrackBar, 1);
    timeOut->addWidget(new QLabel(tr("Long"), this));

    auto* page = new QVBoxLayout(this);
    page->setContentsMargins(PageMargin, PageMargin, PageMargin, PageMargin);
    page->addWidget(new TPageHeading(tr("Connection"), this));
    page->addLayout(host);
    page->addWidget(new TPageHeading(tr("Port number of host"), this));
    page->addLayout(port);
    page->addWidget(new TPageHeading(tr("Time out for host"), this));
    page->addLayout(timeOut);
    page->addWidget(TimeOutChoiceLabel, 0, Qt::AlignHCenter);

    auto* login = new QGridLayout;
    login->addWidget(BuddyLabel(tr("S&ecurity:"), SecurityComboBox, this), 0, 0);
    login->addWidget(SecurityComboBox, 0, 1);
    login->addWidget(BuddyLabel(tr("&User name:"), UserNameEdit, this), 1, 0);
    login->addWidget(UserNameEdit, 1, 1);
    login->addWidget(BuddyLabel(tr("Pass&word:"), PasswordEdit, this), 2, 0);
    login->addWidget(PasswordEdit, 2, 1);
    login->addWidget(PasswordStateLabel, 3, 1);
    page->addWidget(new TPageHeading(tr("Security and login"), this));
    page->addLayout(login);
    page->addStretch(1);

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
        SecurityComboBox->setCurrentIndex(settings.Security >= 0 && settings.Security <= 2 ? settings.Security : 0);
    }
    UserNameEdit->setText(ToQt(settings.UserName));
    PasswordEdit->clear();
    ShowPasswordState();
}

void TConnectionPage::ControlsToSettings(TConfiguration& settings) const {
    settings.SMTPHost = FromQt(SMTPHostNameEdit->text());
    settings.TimeOut = TimeOutTrackBar->value();
    settings.PortNumber = PortNumberFromText(FromQt(PortNumberEdit->text()));
    settings.Security = std::max(0, SecurityComboBox->currentIndex());
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
    const std::string password = FromQt(PasswordEdit->text());
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
    const bool kept = !Store->Read(FromQt(SMTPHostNameEdit->text()), user, error).empty();
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
