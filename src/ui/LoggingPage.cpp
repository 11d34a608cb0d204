#include "ui/LoggingPage.h"

#include "settings/Configuration.h"
#include "settings/RecipientTexts.h"
#include "ui/FileChooser.h"
#include "ui/FileNameRules.h"
#include "ui/PageControls.h"
#include "ui/PageGrid.h"
#include "ui/UiText.h"
#include "ui/UpDown.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QRadioButton>

namespace corvalet {

namespace {

constexpr int LogDisabled = 0;
constexpr int MinimumLogSizeMb = 1;
constexpr int MaximumLogSizeMb = 1024;

} // namespace

TLoggingPage::TLoggingPage(TFileChooser& chooser, std::string programFolder, QWidget* parent)
    : QWidget(parent), Chooser(chooser), ProgramFolder(std::move(programFolder)),
      LogTypeRadioGroup(Named(new QGroupBox(tr("Logging &mechanism:"), this), "LogTypeRadioGroup")),
      Mechanisms(new QButtonGroup(this)), LoggingFileNameLabel(new QLabel(tr("Log &file name:"), this)),
      LoggingFileNameEdit(Named(new QLineEdit(this), "LoggingFileNameEdit")),
      LoggingFileNameButton(BrowseButton("LoggingFileNameButton", this)),
      LimitLogFileCheckBox(Named(new QCheckBox(tr("&Limit log file size:"), this), "LimitLogFileCheckBox")),
      MaximumLogFileSizeEdit(Named(new QLineEdit(this), "MaximumLogFileSizeEdit")),
      MaximumLogFileSizeUpDown(Named(new TUpDown(this), "MaximumLogFileSizeUpDown")),
      MbLabel(Named(new QLabel(tr("Mb"), this), "MbLabel")) {
    auto* options = new QVBoxLayout(LogTypeRadioGroup);
    int code = 0;
    for (const QString& text : ItemsOf(LogMechanismTexts)) {
        auto* option = new QRadioButton(text, LogTypeRadioGroup);
        option->setObjectName(QStringLiteral("LogTypeRadioButton%1").arg(code));
        Mechanisms->addButton(option, code++);
        options->addWidget(option);
    }
    SetMechanism(LogDisabled);

    LoggingFileNameLabel->setObjectName("LoggingFileNameLabel");
    LoggingFileNameLabel->setBuddy(LoggingFileNameEdit);
    ShowNameAsToolTip(LoggingFileNameEdit);
    MaximumLogFileSizeEdit->setMaxLength(4);
    MaximumLogFileSizeEdit->setFixedWidth(
        MaximumLogFileSizeEdit->fontMetrics().horizontalAdvance(QStringLiteral("000000")) + 8);
    MaximumLogFileSizeEdit->setAlignment(Qt::AlignRight);
    MaximumLogFileSizeUpDown->SetRange(MinimumLogSizeMb, MaximumLogSizeMb);
    MaximumLogFileSizeUpDown->Attach(MaximumLogFileSizeEdit);
    MaximumLogFileSizeUpDown->SetPosition(MinimumLogSizeMb);

    connect(Mechanisms, &QButtonGroup::idClicked, this, &TLoggingPage::LogTypeRadioGroupClick);
    connect(LimitLogFileCheckBox, &QCheckBox::clicked, this, &TLoggingPage::LimitLogFileCheckBoxClick);
    connect(LoggingFileNameButton, &QPushButton::clicked, this, &TLoggingPage::LoggingFileNameButtonClick);
    LayOut();
    LogTypeRadioGroupClick();
}

void TLoggingPage::LayOut() {
    auto* size = new QHBoxLayout;
    size->setSpacing(2);
    size->addWidget(MaximumLogFileSizeEdit);
    size->addWidget(MaximumLogFileSizeUpDown);
    size->addSpacing(4);
    size->addWidget(MbLabel);
    size->addStretch(1);

    Grid = std::make_unique<TPageGrid>(*this, TPageGrid::ESpareHeight::AtEnd);
    Grid->AddHeading(tr("Logging"));
    Grid->AddWide(LogTypeRadioGroup);
    Grid->AddRow(LoggingFileNameLabel, LoggingFileNameEdit, LoggingFileNameButton);
    // The check box stands for the size field's label.
    Grid->AddRow(LimitLogFileCheckBox, size);

    setTabOrder(Mechanisms->buttons().last(), LoggingFileNameEdit);
    setTabOrder(LoggingFileNameEdit, LoggingFileNameButton);
    setTabOrder(LoggingFileNameButton, LimitLogFileCheckBox);
    setTabOrder(LimitLogFileCheckBox, MaximumLogFileSizeEdit);
}

void TLoggingPage::AddOption(QWidget* option) {
    Grid->AddWide(option);
}

int TLoggingPage::Mechanism() const {
    return Mechanisms->checkedId();
}

void TLoggingPage::SetMechanism(int code) {
    if (QAbstractButton* option = Mechanisms->button(code)) {
        option->setChecked(true);
        return;
    }
    // A code without an option (a hand-edited settings file) chooses none.
    Mechanisms->setExclusive(false);
    for (QAbstractButton* option : Mechanisms->buttons())
        option->setChecked(false);
    Mechanisms->setExclusive(true);
}

void TLoggingPage::SettingsToControls(const TConfiguration& settings) {
    SetMechanism(settings.LogMechanism);
    LoggingFileNameEdit->setText(ToQt(settings.LogFileName));
    LimitLogFileCheckBox->setChecked(settings.LogSizeIsLimited);
    MaximumLogFileSizeUpDown->SetPosition(settings.LogSizeLimit);
    LogTypeRadioGroupClick();
}

void TLoggingPage::ControlsToSettings(TConfiguration& settings) const {
    if (Mechanism() >= 0)
        settings.LogMechanism = static_cast<std::uint8_t>(Mechanism());
    settings.LogFileName = FromQt(LoggingFileNameEdit->text());
    settings.LogSizeIsLimited = LimitLogFileCheckBox->isChecked();
    settings.LogSizeLimit = MaximumLogFileSizeUpDown->Position();
}

void TLoggingPage::LogTypeRadioGroupClick() {
    const bool logging = Mechanism() != LogDisabled;
    for (QWidget* control : std::initializer_list<QWidget*>{LoggingFileNameLabel, LoggingFileNameEdit,
                                                            LoggingFileNameButton, LimitLogFileCheckBox})
        control->setEnabled(logging);
    LimitLogFileCheckBoxClick();
}

void TLoggingPage::LimitLogFileCheckBoxClick() {
    const bool limited = LimitLogFileCheckBox->isChecked() && LimitLogFileCheckBox->isEnabled();
    for (QWidget* control :
         std::initializer_list<QWidget*>{MaximumLogFileSizeEdit, MaximumLogFileSizeUpDown, MbLabel})
        control->setEnabled(limited);
}

void TLoggingPage::LoggingFileNameButtonClick() {
    TFileChoice choice;
    choice.Kind = TFileChoice::EKind::Save;
    choice.Types = {{"Log Files (*.log)", "*.log"}};
    choice.DefaultExtension = "log";
    choice.InitialFileName = ApplicationName();
    choice.InitialFolder = LogChooserFolder(ProgramFolder, FromQt(LoggingFileNameEdit->text()));
    choice.HideReadOnly = true;
    choice.KeepCurrentFolder = true;
    choice.FolderMustExist = true;
    // Entries are added to the end of the chosen log; nothing in it is replaced.
    choice.ConfirmReplace = false;
    if (const std::optional<std::string> chosen = Chooser.Choose(choice))
        LoggingFileNameEdit->setText(ToQt(RelativeLogFileName(ProgramFolder, *chosen)));
}

} // namespace corvalet
