#include "platform/TextFile.h"
#include "support/TempDir.h"
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
    ::chmod(path.c_str(), 0600);
    ASSERT_TRUE(ReplaceFileAtomically(path, "new\r\n"));
    EXPECT_EQ(dir.Read("settings.ini"), "new\r\n");
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);
}

TEST(TextFileTest, AtomicReplaceThroughALinkReplacesTheLinkedFile) {
    test::TTempDir dir;
    dir.Write("real.log", "old");
    std::filesystem::create_symlink(dir.File("real.log"), dir.File("link.log"));
    ASSERT_TRUE(ReplaceFileAtomically(dir.File("link.log").string(), "new"));
    EXPECT_TRUE(std::filesystem::is_symlink(dir.File("link.log")));
    EXPECT_EQ(dir.Read("real.log"), "new");
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
