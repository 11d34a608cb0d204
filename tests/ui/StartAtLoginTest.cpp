// "Start at log-in": the box on the Logging page writes and removes the desktop's autostart entry
// with OK, and shows whether the entry is there.

#include "MainFormFixture.h"
#include "platform/TextFile.h"
#include "ui/StartAtLogin.h"

#include <QPushButton>

#include <cstdlib>

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

} // namespace
} // namespace corvalet::test
