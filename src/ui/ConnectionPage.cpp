#include "ui/ConnectionPage.h"

#include "settings/Configuration.h"
#include "settings/RecipientTexts.h"
#include "ui/DigitKeyFilter.h"
#include "ui/PageControls.h"
#include "ui/PageHeading.h"
#include "settings/TextValues.h"
#include "ui/UiText.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QSlider>
#include <QVBoxLayout>

namespace corvalet {

TConnectionPage::TConnectionPage(QWidget* parent)
    : QWidget(parent), Digits(new TDigitKeyFilter(this)),
      SMTPHostNameEdit(Named(new QLineEdit(this), "SMTPHostNameEdit")),
      PortNumberEdit(Named(new QLineEdit(this), "PortNumberEdit")),
      TimeOutTrackBar(Named(new QSlider(Qt::Horizontal, this), "TimeOutTrackBar")),
      TimeOutChoiceLabel(Named(new QLabel(this), "TimeOutChoiceLabel")) {
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
    page->addStretch(1);

    setTabOrder(SMTPHostNameEdit, PortNumberEdit);
    setTabOrder(PortNumberEdit, TimeOutTrackBar);
}

void TConnectionPage::SettingsToControls(const TConfiguration& settings) {
    SMTPHostNameEdit->setText(ToQt(settings.SMTPHost));
    // The track bar keeps within its positions: the 0 of settings never saved shows as 1.
    TimeOutTrackBar->setValue(settings.TimeOut);
    PortNumberEdit->setText(QString::number(settings.PortNumber));
}

void TConnectionPage::ControlsToSettings(TConfiguration& settings) const {
    settings.SMTPHost = FromQt(SMTPHostNameEdit->text());
    settings.TimeOut = TimeOutTrackBar->value();
    settings.PortNumber = PortNumberFromText(FromQt(PortNumberEdit->text()));
}

void TConnectionPage::TimeOutTrackBarChange(int position) {
    const std::string_view text = TimeOutText(position);
    TimeOutChoiceLabel->setText(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
}

} // namespace corvalet
