// The body, attachment and log file choosers of the window.
#include "MainFormFixture.h"

#include "ui/FileNameRules.h"
#include "ui/LoggingPage.h"
#include "ui/MessagePage.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

namespace corvalet::test {
namespace {

class FileChoosers : public TMainFormTest {
protected:
    QLineEdit* Field(const char* name) const { return Find<QLineEdit>(name); }
    QComboBox* ContentType() const { return Find<QComboBox>("ContentTypeComboBox"); }
};

TEST_F(FileChoosers, TheBodyFilesExtensionSetsTheContentType) {
    const struct {
        const char* Chosen;
        int Before;
        int After;
    } cases[] = {{"/home/ann/letter.htm", 1, 0}, {"/home/ann/page.HTML", 1, 0},
                 {"/home/ann/notes.TXT", 0, 1},  {"/home/ann/data.csv", 1, 1},
                 {"/home/ann/data.csv", 0, 0},   {"/home/ann.txt/README", 0, 0}};
    for (const auto& example : cases) {
        ContentType()->setCurrentIndex(example.Before);
        Chooser.Answer = example.Chosen;
        QTest::mouseClick(Find<QPushButton>("SelectBodyFileNameButton"), Qt::LeftButton);
        EXPECT_EQ(Field("BodyFileNameEdit")->text(), example.Chosen);
        EXPECT_EQ(ContentType()->currentIndex(), example.After) << example.Chosen;
    }
    const TFileChoice& request = Chooser.Requests.back();
    EXPECT_EQ(request.Kind, TFileChoice::EKind::Open);
    EXPECT_EQ(request.Title, "Select file");
    EXPECT_EQ(request.Types, (std::vector<TFileType>{{"All Files (*.*)", "*.*"},
                                                     {"Web Page (*.html)", "*.html"},
                                                     {"Text File (*.txt)", "*.txt"}}));
    EXPECT_FALSE(request.FileMustExist);
    EXPECT_TRUE(request.Resizable);
}

TEST_F(FileChoosers, CancellingAChooserChangesNothing) {
    Field("BodyFileNameEdit")->setText("old.htm");
    Field("AttachmentFileNameEdit")->setText("old.pdf");
    Field("LoggingFileNameEdit")->setText("old.log");
    ContentType()->setCurrentIndex(0);
    Chooser.Answer.reset();
    Form->MessagePage()->SelectBodyFileNameButtonClick();
    Form->MessagePage()->SelectAttachmentFileNameButtonClick();
    Form->LoggingPage()->LoggingFileNameButtonClick();
    EXPECT_EQ(Chooser.Requests.size(), 3u);
    EXPECT_EQ(Field("BodyFileNameEdit")->text(), "old.htm");
    EXPECT_EQ(Field("AttachmentFileNameEdit")->text(), "old.pdf");
    EXPECT_EQ(Field("LoggingFileNameEdit")->text(), "old.log");
    EXPECT_EQ(ContentType()->currentIndex(), 0);
}

TEST_F(FileChoosers, TheAttachmentMustExist) {
    Chooser.Answer = "/srv/files/report.pdf";
    QTest::mouseClick(Find<QPushButton>("SelectAttachmentFileNameButton"), Qt::LeftButton);
    EXPECT_EQ(Field("AttachmentFileNameEdit")->text(), "/srv/files/report.pdf");
    const TFileChoice& request = Chooser.Requests.back();
    EXPECT_EQ(request.Title, "Select file to attach");
    EXPECT_EQ(request.Types, (std::vector<TFileType>{{"All Files (*.*)", "*.*"}}));
    EXPECT_TRUE(request.FileMustExist);
}

TEST_F(FileChoosers, TheLogFileIsStoredRelativeToTheProgramFolder) {
    const std::string program = Folder.Folder();
    const struct {
        std::string Chosen;
        std::string Stored;
    } cases[] = {{program + "Corvalet.log", "Corvalet.log"},
                 {program + "logs/run.log", "logs/run.log"},
                 {Folder.Path().parent_path().string() + "/elsewhere/run.log", "../elsewhere/run.log"},
                 {"/nowhere-in-common/run.log", "/nowhere-in-common/run.log"}};
    for (const auto& example : cases) {
        Chooser.Answer = example.Chosen;
        QTest::mouseClick(Find<QPushButton>("LoggingFileNameButton"), Qt::LeftButton);
        EXPECT_EQ(Field("LoggingFileNameEdit")->text().toStdString(), example.Stored);
    }
    const TFileChoice& request = Chooser.Requests.front();
    EXPECT_EQ(request.Kind, TFileChoice::EKind::Save);
    EXPECT_EQ(request.Title, "");
    EXPECT_EQ(request.Types, (std::vector<TFileType>{{"Log Files (*.log)", "*.log"}}));
    EXPECT_EQ(request.DefaultExtension, "log");
    EXPECT_EQ(request.InitialFileName, "Corvalet");
    EXPECT_EQ(request.InitialFolder, program);
    EXPECT_TRUE(request.HideReadOnly);
    EXPECT_TRUE(request.KeepCurrentFolder);
    EXPECT_TRUE(request.FolderMustExist);
    EXPECT_FALSE(request.ConfirmReplace);
}

TEST(FileNameRules, RelativeLogFileNames) {
    const struct {
        const char* Program;
        const char* Chosen;
        const char* Stored;
    } cases[] = {{"/opt/corvalet/", "/opt/corvalet/Corvalet.log", "Corvalet.log"},
                 {"/opt/corvalet/", "/opt/corvalet/logs/Corvalet.log", "logs/Corvalet.log"},
                 {"/opt/corvalet/", "/opt/other/deep/x.log", "../other/deep/x.log"},
                 {"/opt/corvalet/bin/", "/opt/x.log", "../../x.log"},
                 {"/opt/corvalet/", "/var/log/x.log", "/var/log/x.log"},
                 {"/opt/corvalet/", "/opt/Corvalet/x.log", "../Corvalet/x.log"}};
    for (const auto& example : cases)
        EXPECT_EQ(RelativeLogFileName(example.Program, example.Chosen), example.Stored) << example.Chosen;
}

TEST(FileNameRules, LogChooserStartsInTheLogFilesFolder) {
    EXPECT_EQ(LogChooserFolder("/opt/corvalet/", "Corvalet.log"), "/opt/corvalet/");
    EXPECT_EQ(LogChooserFolder("/opt/corvalet/", "logs/Corvalet.log"), "/opt/corvalet/logs/");
    EXPECT_EQ(LogChooserFolder("/opt/corvalet/", "../shared/Corvalet.log"), "/opt/shared/");
    EXPECT_EQ(LogChooserFolder("/opt/corvalet/", "/var/log/Corvalet.log"), "/var/log/");
}

TEST(FileNameRules, ContentTypeByExtension) {
    EXPECT_EQ(ContentTypeForBodyFile("a.Htm"), 0);
    EXPECT_EQ(ContentTypeForBodyFile("a.html"), 0);
    EXPECT_EQ(ContentTypeForBodyFile("a.txt"), 1);
    EXPECT_EQ(ContentTypeForBodyFile("a.text"), std::nullopt);
    EXPECT_EQ(ContentTypeForBodyFile("noextension"), std::nullopt);
    EXPECT_EQ(ContentTypeForBodyFile("/dir.htm/noextension"), std::nullopt);
}

} // namespace
} // namespace corvalet::test
