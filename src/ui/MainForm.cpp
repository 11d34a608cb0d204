#include "ui/MainForm.h"

#include "log/ConfigureLogger.h"
#include "platform/Clock.h"
#include "platform/FormatSettings.h"
#include "settings/Configuration.h"
#include "app/Dialogs.h"
#include "settings/RecipientTexts.h"
#include "ui/ConnectionPage.h"
#include "ui/GeneralPage.h"
#include "ui/LoggingPage.h"
#include "ui/MessagePage.h"
#include "ui/PageControls.h"
#include "ui/RecipientEditor.h"
#include "ui/StartAtLogin.h"
#include "ui/UiText.h"
#include "ui/WaitCursor.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTabWidget>
#include <QVBoxLayout>

#include <stdexcept>

namespace corvalet {

namespace {

constexpr int MinimumWidth = 390;
constexpr int MinimumHeight = 450;
constexpr int InitialWidth = 468;
constexpr int InitialHeight = 487;

// Without a program-wide handler, errors are shown in an error box.
TMainFormServices WithErrorHandler(TMainFormServices services) {
    if (!services.HandleError) {
        TDialogs& dialogs = services.Dialogs;
        services.HandleError = [&dialogs](const std::exception& error) { dialogs.ShowError(error.what()); };
    }
    return services;
}

QPushButton* MakeButton(const char* name, const QString& caption, QWidget* parent) {
    return Named(new QPushButton(caption, parent), name);
}

} // namespace

TMainForm::TMainForm(TMainFormServices services, QWidget* parent)
    : QDialog(parent), Services(WithErrorHandler(std::move(services))),
      PageControl(Named(new QTabWidget(this), "PageControl")),
      General(new TGeneralPage(
          Services.Formats, Services.Clock, Services.Dialogs,
          [this](const std::exception& error) { Services.HandleError(error); }, this)),
      Message(new TMessagePage(Services.FileChooser, this)), Connection(new TConnectionPage(this)),
      Logging(new TLoggingPage(Services.FileChooser, Services.Configuration.ProgramFolder, this)),
      HelpButton(MakeButton("HelpButton", tr("Help"), this)),
      AboutButton(MakeButton("AboutButton", tr("About"), this)),
      OKButton(MakeButton("OKButton", tr("OK"), this)),
      CancelButton(MakeButton("CancelButton", tr("Cancel"), this)) {
    setObjectName("MainForm");
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint |
                   Qt::WindowCloseButtonHint | Qt::WindowContextHelpButtonHint);
    setWindowTitle(ToQt(ApplicationName() + " Configuration"));
    setProperty("helpKeyword", QStringLiteral("Welcome"));
    setProperty("helpContext", 1000);

    General->setObjectName("GeneralTabSheet");
    Message->setObjectName("MessageTabSheet");
    Connection->setObjectName("ConnectionTabSheet");
    Logging->setObjectName("LoggingTabSheet");
    PageControl->setProperty("helpKeyword", QStringLiteral("Configuration"));
    PageControl->setProperty("helpContext", 1020);
    const struct {
        QWidget* Page;
        const char* Caption;
        int HelpContext;
    } pages[] = {{General, "General", 1030},
                 {Message, "Message", 1040},
                 {Connection, "Connection", 1050},
                 {Logging, "Logging", 1060}};
    for (const auto& page : pages) {
        PageControl->addTab(page.Page, tr(page.Caption));
        page.Page->setProperty("helpKeyword", QString::fromLatin1(page.Caption));
        page.Page->setProperty("helpContext", page.HelpContext);
    }
    PageControl->setCurrentIndex(0);

    OKButton->setDefault(true);
    connect(OKButton, &QPushButton::clicked, this, &TMainForm::OKButtonClick);
    connect(CancelButton, &QPushButton::clicked, this, &TMainForm::CancelButtonClick);
    connect(HelpButton, &QPushButton::clicked, this, &TMainForm::HelpRequested);
    connect(AboutButton, &QPushButton::clicked, this, &TMainForm::AboutRequested);
    connect(General, &TGeneralPage::SendNowClicked, this, &TMainForm::SendNowClicked);
    connect(General, &TGeneralPage::AddIsDefaultChanged, this, &TMainForm::SetAddIsDefault);
    connect(PageControl, &QTabWidget::currentChanged, this, &TMainForm::ChooseDefaultButton);
    if (Services.Autostart != nullptr)
        AddStartAtLogin(*Services.Autostart);
    LayOut();
}

TMainForm::~TMainForm() = default;

void TMainForm::LayOut() {
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    for (QPushButton* button : {HelpButton, AboutButton, OKButton, CancelButton})
        buttons->addWidget(button);

    auto* window = new QVBoxLayout(this);
    window->setContentsMargins(6, 6, 6, 6);
    window->addWidget(PageControl, 1);
    window->addLayout(buttons);

    setMinimumSize(MinimumWidth, MinimumHeight);
    resize(InitialWidth, InitialHeight);

    setTabOrder(HelpButton, AboutButton);
    setTabOrder(AboutButton, OKButton);
    setTabOrder(OKButton, CancelButton);
}

// The box stands on the Logging page, below the page's own controls.
void TMainForm::AddStartAtLogin(const TAutostartEntry& entry) {
    StartAtLoginBox = new TStartAtLoginCheckBox(entry, Logging);
    Logging->AddOption(StartAtLoginBox);
}

void TMainForm::SettingsToControls() {
    const TConfiguration& settings = Services.Configuration;
    if (StartAtLoginBox != nullptr)
        StartAtLoginBox->Refresh();
    General->SettingsToControls(settings);
    Logging->SettingsToControls(settings);
    Connection->SettingsToControls(settings);
    Message->SettingsToControls(settings);
}

void TMainForm::ControlsToSettings() {
    TConfiguration& settings = Services.Configuration;
    General->ControlsToSettings(settings);
    Logging->ControlsToSettings(settings);
    Connection->ControlsToSettings(settings);
    Message->ControlsToSettings(settings);
    ConfigureLogger(Services.Logger, settings);
}

void TMainForm::PrepareEditingArea() {
    General->PrepareEditingArea();
}

void TMainForm::OKButtonClick() {
    std::exception_ptr failure;
    {
        const TWaitCursor wait;
        try {
            ControlsToSettings();
            Services.Configuration.SaveToIni();
            Connection->KeepPassword();
            if (StartAtLoginBox != nullptr)
                StartAtLoginBox->Apply();
        } catch (...) {
            failure = std::current_exception();
        }
    }
    // A save that failed is told while the window is still open (the error handler then shows a
    // box, not a log entry), and the window stays so the user can mend the cause and press OK
    // again: hiding it would report a failure as if the settings had been saved.
    if (failure) {
        PassOn(failure);
        return;
    }
    hide();
}

void TMainForm::CancelButtonClick() {
    SettingsToControls();
    hide();
}

void TMainForm::PassOn(std::exception_ptr error) const {
    if (!error)
        return;
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& failure) {
        Services.HandleError(failure);
    } catch (...) {
        Services.HandleError(std::runtime_error("Unknown error"));
    }
}

std::vector<TRecipientRow> TMainForm::RecipientRows() const {
    return General->Rows();
}

std::string TMainForm::RecipientAddressText() const {
    return General->Editor()->Address();
}

int TMainForm::DistributionCode() const {
    return General->Editor()->DistributionCode();
}

TMailFields TMainForm::MailFields() const {
    TMailFields fields;
    fields.SenderName = FromQt(General->SenderName()->text());
    fields.SenderAddress = FromQt(General->SenderAddress()->text());
    fields.Subject = FromQt(Message->Subject()->text());
    fields.BodyFileName = FromQt(Message->BodyFileName()->text());
    fields.ContentType = Message->ContentTypeBox()->currentIndex();
    fields.Priority = Message->PriorityBox()->currentIndex();
    fields.Attachment = FromQt(Message->Attachment()->text());
    fields.SMTPHost = FromQt(Connection->HostName()->text());
    fields.PortNumber = FromQt(Connection->PortNumber()->text());
    // The list shows no item for a saved value it does not know; that value stays, to be refused.
    const int security = Connection->Security()->currentIndex();
    fields.Security = security >= 0 ? security : Services.Configuration.Security;
    fields.UserName = FromQt(Connection->UserName()->text().trimmed());
    fields.TrustFile = Services.Configuration.TrustFile;
    // The page has no choice of login method yet: the saved one holds.
    fields.Authentication = Services.Configuration.Authentication;
    return fields;
}

void TMainForm::SetSecretStore(TSecretStore* store) {
    Connection->SetSecretStore(store);
}

void TMainForm::SetSendNowAllowed(bool allowed) {
    General->SetSendNowAllowed(allowed);
}

std::string TMainForm::FormatTimeText(int hour, int minute) {
    return corvalet::FormatTimeText(hour, minute);
}

bool TMainForm::ParseTimeText(const std::string& text, TTimeText& time) {
    return corvalet::ParseTimeText(text, time);
}

TFrequency TMainForm::ParseFrequencyText(const std::string& text) const {
    return corvalet::ParseFrequencyText(text, Services.Clock.Now().DatePart(), Services.Formats);
}

std::optional<int> TMainForm::ParseDistributionText(const std::string& text) {
    return corvalet::ParseDistributionText(text);
}

void TMainForm::ShowTime(int hour, int minute) {
    General->Editor()->ShowTime(hour, minute);
}

std::string TMainForm::TimeFieldsText() const {
    return General->Editor()->TimeFieldsText();
}

void TMainForm::SetFrequency(int code, const TDateTime& date) {
    General->Editor()->SetFrequency(code, date);
}

std::string TMainForm::FrequencyText() const {
    return General->Editor()->FrequencyText();
}

void TMainForm::SetDistribution(int code) {
    General->Editor()->SetDistribution(code);
}

std::string TMainForm::DistributionText() const {
    return General->Editor()->DistributionText();
}

void TMainForm::SetAddIsDefault(bool addIsDefault) {
    AddIsDefault = addIsDefault;
    ChooseDefaultButton();
}

// Enter presses "Add" while the recipients page asks for it and is in front, and "OK" otherwise.
void TMainForm::ChooseDefaultButton() {
    if (AddIsDefault && PageControl->currentWidget() == General)
        General->AddButton()->setDefault(true);
    else
        OKButton->setDefault(true);
}

void TMainForm::showEvent(QShowEvent* event) {
    setWindowTitle(ToQt(ApplicationName() + " Configuration"));
    if (!ShownBefore && !event->spontaneous()) {
        ShownBefore = true;
        if (const QScreen* display = screen())
            move(display->availableGeometry().center() - rect().center());
    }
    QDialog::showEvent(event);
    // A window coming back from the task bar was counted as shown all along.
    if (!event->spontaneous())
        emit Shown();
}

void TMainForm::hideEvent(QHideEvent* event) {
    QDialog::hideEvent(event);
    if (!event->spontaneous())
        emit Hidden();
}

void TMainForm::closeEvent(QCloseEvent* event) {
    event->accept();
}

void TMainForm::reject() {
    CancelButtonClick();
}

} // namespace corvalet
