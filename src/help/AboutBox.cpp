#include "help/AboutBox.h"

#include "help/BuildInfo.h"
#include "help/ProgramIcon.h"
#include "platform/ProgramFolders.h"

#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

#include <memory>

namespace corvalet {

namespace {

QString ToQString(const std::string& text) {
    return QString::fromStdString(text);
}

QLabel* NamedLabel(const char* name, const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    return label;
}

// The maker's and the product's name stand on a coloured band.
QLabel* FilledLabel(const char* name, const QString& text, int pointSizeDelta, QWidget* parent) {
    QLabel* label = NamedLabel(name, text, parent);
    label->setAutoFillBackground(true);
    QPalette palette = label->palette();
    palette.setColor(QPalette::Window, QColor(0x2d, 0x4a, 0x6e));
    palette.setColor(QPalette::WindowText, Qt::white);
    label->setPalette(palette);
    QFont font = label->font();
    font.setBold(true);
    font.setPointSize(font.pointSize() + pointSizeDelta);
    label->setFont(font);
    label->setAlignment(Qt::AlignCenter);
    label->setMargin(6);
    return label;
}

} // namespace

TAboutFacts TAboutFacts::Current() {
    TAboutFacts facts;
    facts.Version = BuildVersionText();
    facts.OperatingSystem = OperatingSystemName();
    facts.System = TSystemInfo::Current();
    facts.HomePage = ProjectHomePage();
    facts.SettingsFolder = ProgramFolders().Settings;
    return facts;
}

TAboutBox::TAboutBox(const TAboutFacts& facts, TUrlOpener openUrl, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint),
      OpenUrl(std::move(openUrl)) {
    setObjectName("AboutBox");
    setWindowTitle("About");
    setModal(true);

    auto* layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize); // fixed size, just large enough for the texts
    layout->addWidget(FilledLabel("MakerLabel", ToQString(facts.Maker), 0, this));
    layout->addWidget(FilledLabel("ProductLabel", ToQString(facts.Product), 6, this));

    QLabel* picture = NamedLabel("ProgramIconLabel", QString(), this);
    picture->setPixmap(ProgramPixmap(64));
    picture->setAlignment(Qt::AlignCenter);
    layout->addWidget(picture);

    layout->addWidget(NamedLabel("LegalNoticeLabel", ToQString(facts.LegalNotice), this));
    // The maker stands on the band above; the company is shown only when it is someone else.
    if (facts.Company != facts.Maker)
        layout->addWidget(NamedLabel("CompanyLabel", ToQString(facts.Company), this));

    auto* factsGrid = new QGridLayout;
    int row = 0;
    const auto addFact = [&](const char* captionName, const QString& caption, const char* valueName,
                             const QString& value) {
        factsGrid->addWidget(NamedLabel(captionName, caption, this), row, 0);
        QLabel* valueLabel = NamedLabel(valueName, value, this);
        valueLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
        factsGrid->addWidget(valueLabel, row, 1);
        ++row;
    };
    addFact("BuildCaptionLabel", "Build:", "VersionLabel", ToQString(facts.Version));
    addFact("MemoryCaptionLabel", ToQString("Memory Available to " + facts.OperatingSystem + ":"),
            "MemoryLabel", ToQString(FormatMemoryText(facts.System.FreePhysicalMemory)));
    addFact("PlatformCaptionLabel", "Platform:", "PlatformLabel", ToQString(facts.System.Platform));
    addFact("ProcessorCaptionLabel", "Processor:", "ProcessorLabel", ToQString(facts.System.Processor));
    addFact("SettingsFolderCaptionLabel", "Settings folder:", "SettingsFolderLabel",
            ToQString(facts.SettingsFolder));
    factsGrid->setColumnStretch(1, 1);
    layout->addLayout(factsGrid);

    // A build made without a web page of its own shows no link rather than a made-up address.
    if (!facts.HomePage.empty()) {
        const QString homePage = ToQString(facts.HomePage);
        QLabel* link = NamedLabel(
            "HomePageLabel",
            QString("<a href=\"%1\">%2</a>").arg(homePage.toHtmlEscaped(), homePage.toHtmlEscaped()), this);
        link->setTextFormat(Qt::RichText);
        link->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
        link->setAlignment(Qt::AlignCenter);
        connect(link, &QLabel::linkActivated, this, [this](const QString& url) { OpenUrl(QUrl(url)); });
        layout->addWidget(link);
    }

    auto* okButton = new QPushButton("OK", this);
    okButton->setObjectName("OKButton");
    okButton->setDefault(true);
    // Escape rejects the dialog, which closes it as the OK button does: OK is also the cancel button.
    connect(okButton, &QPushButton::clicked, this, &QDialog::accept);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(okButton);
    buttons->addStretch();
    layout->addLayout(buttons);
}

void ShowAboutBox(QWidget* parent) {
    const auto box = std::make_unique<TAboutBox>(TAboutFacts::Current(), DesktopUrlOpener(), parent);
    box->exec();
}

} // namespace corvalet
