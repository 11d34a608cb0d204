// Where settings, log and help live: beside the executable in portable use, in the user's
// configuration folder for an installed program.

#include "platform/ProgramFolders.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

namespace corvalet {
namespace {

struct TFolderCase {
    const char* Name;
    std::set<std::string> Existing; // files and folders that exist
    bool ProgramFolderWritable;
    std::string ConfigHomeVariable;
    bool Portable;
    std::string Settings;
    std::string Help;
};

std::ostream& operator<<(std::ostream& out, const TFolderCase& c) {
    return out << c.Name;
}

class ProgramFoldersTest : public ::testing::TestWithParam<TFolderCase> {};

TEST_P(ProgramFoldersTest, ChoosesTheFolders) {
    const TFolderCase& c = GetParam();
    TFolderEnvironment environment;
    environment.ConfigHome = c.ConfigHomeVariable;
    environment.Home = "/home/ann";
    environment.CanWriteIn = [&](const std::string&) { return c.ProgramFolderWritable; };
    environment.Exists = [&](const std::string& path) { return c.Existing.count(path) > 0; };

    const TProgramFolders folders = ResolveProgramFolders("/usr/bin", environment);
    EXPECT_EQ(folders.Program, "/usr/bin/");
    EXPECT_EQ(folders.Portable, c.Portable);
    EXPECT_EQ(folders.Settings, c.Settings);
    EXPECT_EQ(folders.Help, c.Help);
}

// Where the build installs the help pages for a program in /usr/bin: /usr/share/corvalet/help/.
const std::string InstalledHelp =
    std::filesystem::path("/usr/bin/" + InstalledHelpFolderFromProgram()).lexically_normal().string();

INSTANTIATE_TEST_SUITE_P(
    Cases, ProgramFoldersTest,
    ::testing::Values(
        // Portable use and builds: as before.
        TFolderCase{"a writable folder", {"/usr/bin/help/"}, true, "", true, "/usr/bin/", "/usr/bin/help/"},
        TFolderCase{"a folder with its settings file",
                    {"/usr/bin/Corvalet.ini"},
                    false,
                    "",
                    true,
                    "/usr/bin/",
                    "/usr/bin/help/"},
        // An installed program, for a user and for the administrator who could write there.
        TFolderCase{
            "installed", {InstalledHelp}, false, "", false, "/home/ann/.config/corvalet/", InstalledHelp},
        TFolderCase{"installed, run by the administrator",
                    {InstalledHelp},
                    true,
                    "",
                    false,
                    "/home/ann/.config/corvalet/",
                    InstalledHelp},
        TFolderCase{"installed, with a settings file beside it",
                    {InstalledHelp, "/usr/bin/Corvalet.ini"},
                    true,
                    "",
                    true,
                    "/usr/bin/",
                    InstalledHelp},
        TFolderCase{"installed, XDG_CONFIG_HOME set",
                    {InstalledHelp},
                    false,
                    "/srv/conf",
                    false,
                    "/srv/conf/corvalet/",
                    InstalledHelp},
        TFolderCase{"installed, a relative XDG_CONFIG_HOME is ignored",
                    {InstalledHelp},
                    false,
                    "conf",
                    false,
                    "/home/ann/.config/corvalet/",
                    InstalledHelp},
        // A copy in a folder nobody may write: its own help pages still serve.
        TFolderCase{"a read-only copy with help",
                    {"/usr/bin/help/"},
                    false,
                    "",
                    false,
                    "/home/ann/.config/corvalet/",
                    "/usr/bin/help/"},
        TFolderCase{"a read-only copy without help",
                    {},
                    false,
                    "",
                    false,
                    "/home/ann/.config/corvalet/",
                    InstalledHelp}));

} // namespace
} // namespace corvalet
