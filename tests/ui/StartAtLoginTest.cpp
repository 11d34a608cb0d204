// "Start at log-in": the box on the Logging page writes and removes the desktop's autostart entry
// with OK, and shows whether the entry is there.

#include "MainFormFixture.h"
#include "platform/TextFile.h"
#include "support/Umask.h"
#include "ui/StartAtLogin.h"

#include <QPushButton>

#include <cstdlib>
#include <sys/stat.h>

namespace corvalet::test {
namespace {

class StartAtLoginTest : public TMainFormTest {
protected:
    StartAtLoginTest() {
        Autostart =
            std::make_unique<TAutostartEntry>(Folder.Folder() + "config/", "/opt/Corvalet 1/corvalet");
        Recreate();
    }
    TStartAtLoginCheckBox* Box() const { return Form->StartAtLogin(); }
    std::string EntryPath() const { return Folder.Folder() + "config/autostart/corvalet.desktop"; }
    bool EntryThere() const { return std::filesystem::exists(EntryPath()); }
    void PressOK() { Find<QPushButton>("OKButton")->click(); }
};

TEST_F(StartAtLoginTest, TickedWithOKWritesTheEntryAndUntickedRemovesIt) {
    ASSERT_NE(Box(), nullptr);
    EXPECT_FALSE(Box()->isChecked());
    EXPECT_EQ(Box()->window(), Form.get());

    ClickBox(Box());
    EXPECT_FALSE(EntryThere()) << "written before OK";
    PressOK();
    ASSERT_TRUE(EntryThere());
    std::string entry;
    ASSERT_TRUE(ReadFileBytes(EntryPath(), entry));
    EXPECT_NE(entry.find("\nExec=\"/opt/Corvalet 1/corvalet\" /HIDE\n"), std::string::npos) << entry;
    if (std::system("command -v desktop-file-validate >/dev/null") == 0) {
        EXPECT_EQ(std::system(("desktop-file-validate '" + EntryPath() + "'").c_str()), 0);
    }

    Recreate();
    EXPECT_TRUE(Box()->isChecked()) << "the box shows the entry that is there";
    ClickBox(Box());
    PressOK();
    EXPECT_FALSE(EntryThere());
    EXPECT_TRUE(HandledErrors.empty());
}

// Under the usual umask the entry and the folders made for it are the user's alone.
TEST_F(StartAtLoginTest, TheEntryAndItsNewFoldersAreTheUsersAlone) {
    const test::TUmask umask(022);
    ClickBox(Box());
    PressOK();
    ASSERT_TRUE(EntryThere());
    const auto mode = [this](const std::string& name) {
        struct stat info {};
        ::stat(Folder.File(name).c_str(), &info);
        return info.st_mode & 07777;
    };
    EXPECT_EQ(mode("config/autostart/corvalet.desktop"), 0600u);
    EXPECT_EQ(mode("config/autostart"), 0700u);
    EXPECT_EQ(mode("config"), 0700u);
}

// A program whose path holds a line break would write keys of the path's making into the entry:
// the entry is not written, and the reason shows the path on one line.
TEST_F(StartAtLoginTest, AProgramPathThatCannotStandInAnEntryIsRefused) {
    Autostart = std::make_unique<TAutostartEntry>(Folder.Folder() + "config/", "/opt/x\nExec=/tmp/y/corvalet");
    Recreate();
    ClickBox(Box());
    PressOK();
    EXPECT_FALSE(EntryThere());
    ASSERT_EQ(HandledErrors.size(), 1u);
    EXPECT_EQ(HandledErrors[0], "Unable to start Corvalet at log-in from /opt/x\\x0AExec=/tmp/y/corvalet: the path "
                                "holds a control character");
}

TEST_F(StartAtLoginTest, CancelLeavesTheEntryAsItWasAndShowsItAgain) {
    ClickBox(Box());
    Find<QPushButton>("CancelButton")->click();
    EXPECT_FALSE(EntryThere());
    EXPECT_FALSE(Box()->isChecked());
}

TEST_F(StartAtLoginTest, AnEntryThatCannotBeWrittenIsReported) {
    // A file where the autostart folder should be.
    std::filesystem::create_directories(Folder.File("config"));
    Folder.Write("config/autostart", "");
    ClickBox(Box());
    PressOK();
    ASSERT_EQ(HandledErrors.size(), 1u);
    EXPECT_EQ(HandledErrors[0], "Unable to write to " + EntryPath());
    EXPECT_FALSE(Form->isVisible());
}

TEST(AutostartExecTest, ThePathIsQuotedAndEscapedAsTheExecKeyWants) {
    const struct {
        std::string Path;
        std::string Exec;
    } cases[] = {
        {"/usr/bin/corvalet", "/usr/bin/corvalet"},
        {"/home/ann/My Programs/corvalet", "\"/home/ann/My Programs/corvalet\""},
        {"/home/ann/100%/corvalet", "/home/ann/100%%/corvalet"},
        // Inside quotes ", `, $ and \ get a backslash, and the key's own escapes double it.
        {"/home/a\"b/$x`/c\\d", "\"/home/a\\\\\"b/\\\\$x\\\\`/c\\\\\\\\d\""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TAutostartEntry::ExecArgument(c.Path), c.Exec) << c.Path;
}

// A desktop entry is UTF-8 text whose values hold no control character: a path with one, or with
// bytes that are not UTF-8, is refused; other UTF-8 text stands as it is.
TEST(AutostartExecTest, APathWithAControlCharacterOrNotInUtf8IsRefused) {
    EXPECT_EQ(TAutostartEntry::ExecArgument("/home/Zoë/程序/corvalet"), "/home/Zoë/程序/corvalet");
    const struct {
        std::string Path;
        std::string Message;
    } cases[] = {
        {"/opt/a\tb/corvalet", "/opt/a\\x09b/corvalet: the path holds a control character"},
        {"/opt/a\rb", "/opt/a\\x0Db: the path holds a control character"},
        {"/opt/\x1b[31m/\x7f", "/opt/\\x1B[31m/\\x7F: the path holds a control character"},
        {"/opt/caf\xe9/corvalet", "/opt/caf\xe9/corvalet: the path is not UTF-8 text"},
        {"/opt/\xc0\xaf/corvalet", "/opt/\xc0\xaf/corvalet: the path is not UTF-8 text"},
        {"/opt/\xed\xa0\x80", "/opt/\xed\xa0\x80: the path is not UTF-8 text"},
    };
    for (const auto& c : cases) {
        try {
            TAutostartEntry::ExecArgument(c.Path);
            ADD_FAILURE() << "taken: " << testing::PrintToString(c.Path);
        } catch (const EAutostartError& error) {
            EXPECT_EQ(std::string(error.what()), "Unable to start Corvalet at log-in from " + c.Message);
        }
    }
}

} // namespace
} // namespace corvalet::test
