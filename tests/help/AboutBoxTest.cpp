#include "help/AboutBox.h"

#include "help/BuildInfo.h"
#include "platform/ProgramFolders.h"

#include "support/QtTestApplication.h"

#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QUrl>

#include <gtest/gtest.h>

namespace corvalet {
namespace {

TAboutFacts SampleFacts() {
    TAboutFacts facts;
    facts.Version = "0.1.0 rev 1a2b3c4";
    facts.OperatingSystem = "Linux";
    facts.System = {1536ull * 1024 + 700, "Linux 6.1.0-18-amd64 (x86_64)",
                    "Intel(R) Core(TM) i5-8250U CPU @ 1.60GHz"};
    facts.HomePage = "https://corvalet.example.org/";
    facts.SettingsFolder = "/home/ann/.config/corvalet/";
    return facts;
}

class AboutBoxTest : public testing::Test {
protected:
    test::TQtApplicationFirst App;
    std::vector<QUrl> Opened;
    TAboutBox Box{SampleFacts(), [this](const QUrl& url) { Opened.push_back(url); }};

    QString Text(const char* name) const {
        const auto* label = Box.findChild<QLabel*>(name);
        return label ? label->text() : QString("<no %1>").arg(name);
    }
};

TEST_F(AboutBoxTest, ShowsTheProgramAndTheMachine) {
    EXPECT_EQ(Box.windowTitle(), "About");
    const std::pair<const char*, const char*> texts[] = {
        {"MakerLabel", "The Corvalet Project"},
        {"ProductLabel", "Corvalet"},
        {"LegalNoticeLabel", "Copyright (C) 2026"},
        {"BuildCaptionLabel", "Build:"},
        {"VersionLabel", "0.1.0 rev 1a2b3c4"},
        {"MemoryCaptionLabel", "Memory Available to Linux:"},
        {"MemoryLabel", "1 536 KB"},
        {"PlatformLabel", "Linux 6.1.0-18-amd64 (x86_64)"},
        {"ProcessorLabel", "Intel(R) Core(TM) i5-8250U CPU @ 1.60GHz"},
        {"SettingsFolderCaptionLabel", "Settings folder:"},
        {"SettingsFolderLabel", "/home/ann/.config/corvalet/"},
    };
    for (const auto& [name, text] : texts)
        EXPECT_EQ(Text(name).toStdString(), text) << name;
    // The maker is named once, on its band.
    int makerNamed = 0;
    for (const QLabel* label : Box.findChildren<QLabel*>())
        makerNamed += label->text().contains("The Corvalet Project") ? 1 : 0;
    EXPECT_EQ(makerNamed, 1);
    EXPECT_TRUE(Box.findChild<QLabel*>("MakerLabel")->autoFillBackground());
    EXPECT_TRUE(Box.findChild<QLabel*>("ProductLabel")->autoFillBackground());
    EXPECT_FALSE(Box.findChild<QLabel*>("ProgramIconLabel")->pixmap().isNull());
}

TEST_F(AboutBoxTest, FixedSizeModalDialogWithNothingClipped) {
    Box.show();
    EXPECT_TRUE(Box.isModal());
    EXPECT_EQ(Box.minimumSize(), Box.maximumSize());
    EXPECT_FALSE(Box.windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_FALSE(Box.windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
    EXPECT_FALSE(Box.windowFlags().testFlag(Qt::WindowContextHelpButtonHint));
    for (const QLabel* label : Box.findChildren<QLabel*>()) {
        EXPECT_GE(label->width(), label->sizeHint().width()) << label->objectName().toStdString();
        EXPECT_GE(label->height(), label->sizeHint().height()) << label->objectName().toStdString();
    }
}

TEST_F(AboutBoxTest, OKIsTheDefaultAndTheCancelButton) {
    auto* ok = Box.findChild<QPushButton*>("OKButton");
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(ok->text(), "OK");
    EXPECT_TRUE(ok->isDefault());
    EXPECT_EQ(Box.findChildren<QPushButton*>().size(), 1);

    Box.show();
    QTest::keyClick(&Box, Qt::Key_Escape);
    EXPECT_FALSE(Box.isVisible()) << "Escape closes it";
    Box.show();
    QTest::keyClick(&Box, Qt::Key_Return);
    EXPECT_FALSE(Box.isVisible()) << "Enter presses OK";
    EXPECT_EQ(Box.result(), QDialog::Accepted);
}

TEST_F(AboutBoxTest, LinkOpensTheProjectsPage) {
    auto* link = Box.findChild<QLabel*>("HomePageLabel");
    ASSERT_NE(link, nullptr);
    EXPECT_TRUE(link->text().contains("href=\"https://corvalet.example.org/\""));
    emit link->linkActivated("https://corvalet.example.org/");
    ASSERT_EQ(Opened.size(), 1u);
    EXPECT_EQ(Opened[0], QUrl("https://corvalet.example.org/"));
}

TEST(AboutBoxWithoutHomePageTest, ShowsNoLink) {
    test::QtTestApplication();
    TAboutFacts facts = SampleFacts();
    facts.HomePage.clear();
    TAboutBox box(facts, [](const QUrl&) {});
    EXPECT_EQ(box.findChild<QLabel*>("HomePageLabel"), nullptr);
    for (const QLabel* label : box.findChildren<QLabel*>())
        EXPECT_FALSE(label->text().contains("href")) << label->objectName().toStdString();
}

TEST(AboutFactsTest, ThisBuildOnThisMachine) {
    const auto facts = TAboutFacts::Current();
    EXPECT_TRUE(facts.Version.starts_with(std::string(CORVALET_PROJECT_VERSION) + " rev ")) << facts.Version;
    EXPECT_FALSE(BuildRevision().empty());
    EXPECT_EQ(facts.OperatingSystem, "Linux");
    EXPECT_EQ(facts.HomePage, ProjectHomePage());
    EXPECT_EQ(facts.SettingsFolder, ProgramFolders().Settings);

    test::QtTestApplication();
    TAboutBox box(facts, [](const QUrl&) {});
    const QString memory = box.findChild<QLabel*>("MemoryLabel")->text();
    EXPECT_TRUE(QRegularExpression("^[0-9]{1,3}( [0-9]{3})* KB$").match(memory).hasMatch()) << memory.toStdString();
    EXPECT_EQ(box.findChild<QLabel*>("MemoryCaptionLabel")->text(), "Memory Available to Linux:");
}

} // namespace
} // namespace corvalet
