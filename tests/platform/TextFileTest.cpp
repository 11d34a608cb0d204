#include "platform/TextFile.h"
#include "support/TempDir.h"

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
    if (::geteuid() != 0) {
        ::chmod(dir.Path().c_str(), 0500);
        EXPECT_FALSE(ReplaceFileAtomically(dir.File("a.ini").string(), "new"));
        ::chmod(dir.Path().c_str(), 0700);
    }
    EXPECT_EQ(dir.Read("a.ini"), "old bytes");
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
