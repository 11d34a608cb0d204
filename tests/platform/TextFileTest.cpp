#include "platform/TextFile.h"
#include "support/TempDir.h"
#include "support/Umask.h"
#include "support/Unprivileged.h"

#include <gtest/gtest.h>
#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace corvalet {
namespace {

using Lines = std::vector<std::string>;

TEST(TextFileTest, LinesEndAtCrLfCrOrLf) {
    struct Case {
        std::string text;
        Lines lines;
    };
    const Case cases[] = {
        {"", {}},
        {"a", {"a"}},
        {"a\r\n", {"a"}},
        {"a\r\nb\rc\nd", {"a", "b", "c", "d"}},
        {"\r\n\r\n", {"", ""}},
        {"a\n\rb", {"a", "", "b"}},
        {"a\r\r\nb", {"a", "", "b"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SplitLines(c.text), c.lines) << testing::PrintToString(c.text);
}

TEST(TextFileTest, ReadingAMissingFileFails) {
    test::TTempDir dir;
    Lines lines{"kept"};
    EXPECT_FALSE(ReadTextLines(dir.File("absent.txt").string(), lines));
    EXPECT_EQ(lines, Lines{"kept"});
    EXPECT_FALSE(ReadTextLines(dir.Path().string(), lines)); // a folder is no file
}

// A device, a pipe (which has no writer: opening it must not wait for one) or a link to a device
// is refused before anything is read; a regular file over the limit is refused too.
TEST(TextFileTest, OnlyRegularFilesWithinTheLimitAreRead) {
    test::TTempDir dir;
    const std::string pipe = dir.File("pipe").string();
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    const std::string link = dir.File("Corvalet.ini").string();
    ASSERT_EQ(::symlink("/dev/full", link.c_str()), 0);
    for (const std::string& path : {std::string("/dev/zero"), pipe, link}) {
        std::string bytes = "kept";
        errno = 0;
        EXPECT_FALSE(ReadFileBytes(path, bytes)) << path;
        EXPECT_EQ(errno, ENODEV) << path;
        EXPECT_EQ(bytes, "kept") << path;
    }
    const std::string big = dir.File("big.txt").string();
    ASSERT_TRUE(ReplaceFileAtomically(big, std::string(1000, 'x')));
    std::string bytes;
    EXPECT_TRUE(ReadFileBytes(big, bytes, 1000));
    errno = 0;
    EXPECT_FALSE(ReadFileBytes(big, bytes, 999));
    EXPECT_EQ(errno, EFBIG);
}

TEST(TextFileTest, AtomicReplaceKeepsModeAndLeavesNoTemporaryFile) {
    test::TTempDir dir;
    const std::string path = dir.File("settings.ini").string();
    dir.Write("settings.ini", "old");
    ::chmod(path.c_str(), 0640);
    ASSERT_TRUE(ReplaceFileAtomically(path, "new\r\n"));
    EXPECT_EQ(dir.Read("settings.ini"), "new\r\n");
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);
}

mode_t ModeOf(const std::filesystem::path& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 ? info.st_mode & 07777 : 0;
}

// Under a umask that lets everyone read what is made without care, what the program makes is the
// user's alone; a file that is there keeps its mode, except one that is to be private.
TEST(TextFileTest, NewFilesAndFoldersAreTheUsersAloneWhateverTheUmask) {
    for (const mode_t mask : {mode_t{022}, mode_t{0}, mode_t{0277}}) {
        SCOPED_TRACE(testing::Message() << "umask " << std::oct << mask);
        test::TTempDir dir;
        const test::TUmask umask(mask);
        ASSERT_TRUE(ReplaceFileAtomically(dir.File("new.log").string(), "x"));
        EXPECT_EQ(ModeOf(dir.File("new.log")), 0600u);
        ASSERT_TRUE(WritePrivateFile(dir.File("new.state").string(), "x"));
        EXPECT_EQ(ModeOf(dir.File("new.state")), 0600u);
        dir.Write("shared.state", "old");
        ::chmod(dir.File("shared.state").c_str(), 0644);
        ASSERT_TRUE(WritePrivateFile(dir.File("shared.state").string(), "new"));
        EXPECT_EQ(ModeOf(dir.File("shared.state")), 0600u);
        EXPECT_EQ(dir.Read("shared.state"), "new");

        std::filesystem::create_directory(dir.File("there"));
        ::chmod(dir.File("there").c_str(), 0755);
        ASSERT_TRUE(CreatePrivateFolders(dir.File("there/config/corvalet/").string()));
        EXPECT_EQ(ModeOf(dir.File("there")), 0755u);
        EXPECT_EQ(ModeOf(dir.File("there/config")), 0700u);
        EXPECT_EQ(ModeOf(dir.File("there/config/corvalet")), 0700u);
        EXPECT_TRUE(CreatePrivateFolders(dir.File("there/config").string())) << "folders that are there";
        dir.Write("file", "");
        EXPECT_FALSE(CreatePrivateFolders(dir.File("file/sub").string()));
        EXPECT_FALSE(CreatePrivateFolders(dir.File("file").string()));
    }
}

// Someone who may add entries to the folder plants a link where the program keeps a file: the file
// it leads to (or would create) is never written, the link stays, and nothing is left behind.
TEST(TextFileTest, APlantedLinkIsNeverWrittenThrough) {
    test::TTempDir dir;
    dir.Write("victim", "victim's bytes");
    std::filesystem::create_symlink(dir.File("victim"), dir.File("Corvalet.ini"));
    std::filesystem::create_symlink(dir.File("would-be-made"), dir.File("Corvalet.log"));
    for (const char* name : {"Corvalet.ini", "Corvalet.log"}) {
        const std::string path = dir.File(name).string();
        errno = 0;
        EXPECT_FALSE(ReplaceFileAtomically(path, "new")) << name;
        EXPECT_EQ(errno, ELOOP) << name;
        EXPECT_FALSE(WritePrivateFile(path, "new")) << name;
        EXPECT_FALSE(AppendToFile(path, "new")) << name;
        EXPECT_FALSE(MayWriteExistingFile(path)) << name;
        EXPECT_TRUE(std::filesystem::is_symlink(path)) << name;
    }
    EXPECT_EQ(dir.Read("victim"), "victim's bytes");
    EXPECT_FALSE(std::filesystem::exists(dir.File("would-be-made")));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 3);
    // Also where the folder takes no new files and a file would be rewritten in place.
    test::RunUnprivileged(dir.Path(), [&] {
        ::chmod(dir.Path().c_str(), 0500);
        EXPECT_FALSE(ReplaceFileAtomically(dir.File("Corvalet.ini").string(), "new"));
        EXPECT_EQ(dir.Read("victim"), "victim's bytes");
        ::chmod(dir.Path().c_str(), 0700);
    });
}

// The owner rule for files the program takes commands from, as another user than the superuser
// sees it: the superuser's own files in the superuser's folders are trusted, a folder everyone may
// write is not.
TEST(TextFileTest, FilesOfTheUserOrTheSuperuserAreTrusted) {
    test::TTempDir dir;
    dir.Write("Corvalet.ini", "");
    ::chmod(dir.File("Corvalet.ini").c_str(), 0600);
    EXPECT_EQ(FileTrustProblem(dir.File("Corvalet.ini").string()), "");
    EXPECT_EQ(FileTrustProblem(dir.File("absent.ini").string()), "");
    test::RunUnprivileged(dir.Path(), [&] {
        EXPECT_EQ(FileTrustProblem(dir.File("Corvalet.ini").string()), "");
        EXPECT_EQ(FileTrustProblem("/etc/passwd"), "");
        const std::string shared = std::filesystem::temp_directory_path().string();
        EXPECT_EQ(FileTrustProblem(shared + "/Corvalet.ini"), shared + " can be written by other users");
    });
}

TEST(TextFileTest, FailedReplaceLeavesTheOldFileWhole) {
    test::TTempDir dir;
    dir.Write("a.ini", "old bytes");
    const std::string missingFolder = dir.File("no-such-folder/a.ini").string();
    EXPECT_FALSE(ReplaceFileAtomically(missingFolder, "x"));
    EXPECT_EQ(dir.Read("a.ini"), "old bytes");
}

// A file the user made read-only is not replaced, not even by the superuser, whom the permission
// would not stop.
TEST(TextFileTest, ReadOnlyFileIsNotReplaced) {
    test::TTempDir dir;
    dir.Write("a.ini", "old bytes");
    const std::string path = dir.File("a.ini").string();
    ::chmod(path.c_str(), 0444);
    EXPECT_FALSE(MayWriteExistingFile(path));
    EXPECT_FALSE(ReplaceFileAtomically(path, "new"));
    EXPECT_EQ(dir.Read("a.ini"), "old bytes");
    ::chmod(path.c_str(), 0644);
    EXPECT_TRUE(MayWriteExistingFile(path));
}

// In a folder that takes no new files, a file that may be written is rewritten in place; one that
// may not, or one that is not there yet, fails and stays as it was.
TEST(TextFileTest, InAReadOnlyFolderAWritableFileIsRewrittenInPlace) {
    test::TTempDir dir;
    std::filesystem::create_directory(dir.File("folder"));
    dir.Write("folder/writable.ini", "old bytes, longer than the new ones");
    dir.Write("folder/read-only.ini", "old bytes");
    ::chmod(dir.File("folder/writable.ini").c_str(), 0640);
    ::chmod(dir.File("folder/read-only.ini").c_str(), 0444);
    test::RunUnprivileged(dir.Path(), [&] {
        ::chmod(dir.File("folder").c_str(), 0500);
        EXPECT_TRUE(ReplaceFileAtomically(dir.File("folder/writable.ini").string(), "new"));
        EXPECT_FALSE(ReplaceFileAtomically(dir.File("folder/read-only.ini").string(), "new"));
        EXPECT_FALSE(ReplaceFileAtomically(dir.File("folder/absent.ini").string(), "new"));
        EXPECT_EQ(dir.Read("folder/writable.ini"), "new");
        EXPECT_EQ(dir.Read("folder/read-only.ini"), "old bytes");
        struct stat info {};
        ASSERT_EQ(::stat(dir.File("folder/writable.ini").c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, 0640u);
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.File("folder")), {}), 2);
        ::chmod(dir.File("folder").c_str(), 0700);
    });
}

TEST(TextFileTest, AppendNeedsAnExistingFile) {
    test::TTempDir dir;
    EXPECT_FALSE(AppendToFile(dir.File("log").string(), "x"));
    dir.Write("log", "a\r\n");
    ASSERT_TRUE(AppendToFile(dir.File("log").string(), "b\r\n"));
    EXPECT_EQ(dir.Read("log"), "a\r\nb\r\n");
}

} // namespace
} // namespace corvalet
