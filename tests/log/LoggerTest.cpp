#include "log/Logger.h"
#include "platform/TextFile.h"
#include "support/FakeClock.h"
#include "support/TempDir.h"
#include "support/Umask.h"
#include "support/Unprivileged.h"

#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <functional>
#include <sys/stat.h>

namespace corvalet {
namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

const std::string Now = "12/09/2026 09:05:00"; // the fake clock's start
const std::string Created = "Errors log created on " + Now + ".";
const std::string Cleared = "Errors log cleared on " + Now + ".";

std::string FileForm(const Lines& lines) {
    std::string bytes;
    for (const auto& line : lines)
        bytes += line + "\r\n";
    return bytes;
}

class LoggerTest : public testing::Test {
public:
    void Open() {
        Logger.SetLines(&Log);
        Logger.SetFilePath(Path);
    }
    std::string FileBytes() const { return Dir.Read("Corvalet.log"); }
    bool FileExists() const { return fs::exists(Path); }
    ino_t FileInode() const {
        struct stat info {};
        return ::stat(Path.c_str(), &info) == 0 ? info.st_ino : 0;
    }

    test::TTempDir Dir;
    test::TFakeClock Clock;
    TFormatSettings Formats{"MM/dd/yyyy", "HH:mm:ss"};
    TLogger Logger{Clock, Formats};
    Lines Log;
    std::string Path = Dir.File("Corvalet.log").string();
};

TEST_F(LoggerTest, FirstEntryCreatesTheFileWithTheCreatedHeader) {
    Open();
    EXPECT_EQ(Log, (Lines{Created, ""}));
    EXPECT_FALSE(FileExists()) << "reading a missing log does not write it yet";

    Clock.AdvanceMinutes(1);
    Logger.Log("12/09/2026 09:06:00 - Reason: boom", lkFatalError);
    EXPECT_EQ(FileBytes(), Created + "\r\n\r\nFATAL ERROR: 12/09/2026 09:06:00 - Reason: boom\r\n");
    EXPECT_EQ(Logger.SizeInFileForm(), FileBytes().size());
}

TEST_F(LoggerTest, EachKindHasItsThirteenCharacterPrefix) {
    Dir.Write("Corvalet.log", "");
    Open();
    for (int kind = -1; kind <= 5; ++kind)
        Logger.Log("text", kind);
    EXPECT_EQ(FileBytes(), "text\r\n"
                           "             text\r\n"
                           "WARNING:     text\r\n"
                           "ERROR:       text\r\n"
                           "FATAL ERROR: text\r\n");
}

TEST_F(LoggerTest, AnEntryIsOneLineWhateverItsTextHolds) {
    struct Case {
        const char* what;
        std::string text;
        std::string line;
    };
    const Case cases[] = {
        {"a socket error's two lines", "Reason: Socket Error # 10061\r\nConnection refused.",
         "Reason: Socket Error # 10061 Connection refused."},
        {"a reply's lines, the last break dropped", "Reason: first\r\nsecond\r\n", "Reason: first second"},
        {"bare CR, LF, ESC, BEL, TAB, DEL and NUL", std::string("a\rb\nc\x1B[0md\x07!\tf\x7Fg\0h", 18),
         "a b c [0md ! f g h"},
        {"other text as it is", "Caf\xC3\xA9 menu", "Caf\xC3\xA9 menu"},
    };
    Dir.Write("Corvalet.log", "");
    Open();
    std::string expected;
    for (const Case& c : cases) {
        Logger.Log(c.text, lkError);
        EXPECT_EQ(Log.back(), "ERROR:       " + c.line) << c.what;
        expected += "ERROR:       " + c.line + "\r\n";
    }
    EXPECT_EQ(FileBytes(), expected);
}

TEST_F(LoggerTest, ModesChooseWhichEntriesAreWritten) {
    struct Case {
        const char* name;
        bool enabled;
        TLogKinds kinds;
        std::string file; // empty: no file is created
    };
    const Case cases[] = {
        {"disabled", false, AllLogKinds, ""},
        {"errors only", true, ErrorLogKinds,
         FileForm({Created, "", "ERROR:       failed", "FATAL ERROR: fatal"})},
        {"everything", true, AllLogKinds,
         FileForm({Created, "", "             sent", "ERROR:       failed", "FATAL ERROR: fatal"})},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove(Path);
        Logger.Enabled = c.enabled;
        Logger.Kinds = c.kinds;
        Open();
        Logger.Log("sent", lkInformation);
        Logger.Log("failed", lkError);
        Logger.Log("fatal", lkFatalError);
        if (c.file.empty())
            EXPECT_FALSE(FileExists());
        else
            EXPECT_EQ(FileBytes(), c.file);
    }
}

TEST_F(LoggerTest, NothingHappensWithoutLines) {
    Logger.SetFilePath(Path);
    Logger.Log("sent", lkError);
    EXPECT_FALSE(FileExists());
    EXPECT_EQ(Logger.GetFilePath(), Path);
}

// An entry that brings the file to exactly the limit is kept; one byte more clears the log first.
TEST_F(LoggerTest, SizeLimitCountsTheWholeLogInFileForm) {
    const std::string entry = "ERROR:       boom"; // written with its CR LF: 19 bytes
    for (int over : {0, 1}) {
        SCOPED_TRACE(over);
        const std::string body(1048576 - 19 - 2 + over, 'x');
        Dir.Write("Corvalet.log", body + "\r\n");
        Logger.SizeIsLimited = true;
        Logger.SizeLimitMb = 1;
        Open();
        Logger.Log("boom", lkError);
        if (over == 0) {
            EXPECT_EQ(Log, (Lines{body, entry}));
            EXPECT_EQ(fs::file_size(Path), 1048576u);
        } else {
            EXPECT_EQ(Log, (Lines{Cleared, "", entry}));
            EXPECT_EQ(FileBytes(), FileForm(Log));
        }
    }
}

TEST_F(LoggerTest, SizeLimitAppliesOnlyWhenLimited) {
    Dir.Write("Corvalet.log", std::string(1048576, 'x') + "\r\n");
    Logger.SizeLimitMb = 1;
    Open();
    Logger.Log("boom", lkError);
    EXPECT_EQ(Log.size(), 2u);
}

// Limits past 2,047 Mb do not fit 32 bits; worked out in 64 bits they never clear a small log.
// A limit of 0 or less keeps the newest entry only.
TEST_F(LoggerTest, HugeLimitsKeepTheLogAndNonPositiveOnesKeepOnlyTheNewestEntry) {
    const struct {
        std::int32_t limitMb;
        bool cleared;
    } cases[] = {{1024, false},      {2047, false}, {2048, false}, {4096, false},
                 {INT32_MAX, false}, {0, true},     {-1, true},    {INT32_MIN, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.limitMb);
        Dir.Write("Corvalet.log", "earlier\r\n");
        Logger.SizeIsLimited = true;
        Logger.SizeLimitMb = c.limitMb;
        Open();
        Logger.Log("boom", lkError);
        const Lines expected =
            c.cleared ? Lines{Cleared, "", "ERROR:       boom"} : Lines{"earlier", "ERROR:       boom"};
        EXPECT_EQ(Log, expected);
        EXPECT_EQ(FileBytes(), FileForm(Log));
    }
}

TEST_F(LoggerTest, ExistingEmptyFileLoadsAsNoLines) {
    Dir.Write("Corvalet.log", "");
    Open();
    EXPECT_TRUE(Log.empty());
    Logger.Log("sent", lkInformation);
    EXPECT_EQ(FileBytes(), "             sent\r\n");
}

TEST_F(LoggerTest, MixedLineEndsLoadAndAreWrittenBackWithCrLf) {
    Dir.Write("Corvalet.log", "a\r\nb\rc\nd");
    Open();
    EXPECT_EQ(Log, (Lines{"a", "b", "c", "d"}));
    Logger.Log("e", lkPlain);
    EXPECT_EQ(FileBytes(), "a\r\nb\r\nc\r\nd\r\ne\r\n");
}

TEST_F(LoggerTest, EntriesAreAppendedToAFileThatHoldsTheLog) {
    Dir.Write("Corvalet.log", "a\r\n");
    Open();
    const ino_t inode = FileInode();
    Logger.Log("b", lkPlain);
    Logger.SetFilePath(Path); // reloads, as every OK in the window does
    Logger.Log("c", lkPlain);
    EXPECT_EQ(FileBytes(), "a\r\nb\r\nc\r\n");
    EXPECT_EQ(FileInode(), inode) << "appended in place, not rewritten";
}

TEST_F(LoggerTest, FileChangedBehindTheLoggerIsWrittenAgainWhole) {
    const std::function<void(test::TTempDir&)> changes[] = {
        [](test::TTempDir& dir) { fs::remove(dir.File("Corvalet.log")); },
        [](test::TTempDir& dir) { dir.Write("Corvalet.log", "a"); },
        [](test::TTempDir& dir) { dir.Write("Corvalet.log", "x\r\nsomeone else\r\n"); },
    };
    for (const auto& change : changes) {
        Dir.Write("Corvalet.log", "a\r\n");
        Open();
        change(Dir);
        Logger.Log("b", lkPlain);
        EXPECT_EQ(FileBytes(), "a\r\nb\r\n");
    }
}

// A mailing sent from the command line while the resident program runs logs to the same file;
// the resident program's next entry keeps it (and the size limit counts it).
TEST_F(LoggerTest, EntriesAnotherProgramAppendedAreKept) {
    Dir.Write("Corvalet.log", "a\r\n");
    Open();
    TLogger other(Clock, Formats);
    Lines otherLog;
    other.SetLines(&otherLog);
    other.SetFilePath(Path);
    other.Log("sent from the command line", lkPlain);
    Logger.Log("b", lkPlain);
    EXPECT_EQ(FileBytes(), "a\r\nsent from the command line\r\nb\r\n");
    EXPECT_EQ(Log, (Lines{"a", "sent from the command line", "b"}));

    const struct {
        const char* added;
        const char* expected;
    } cases[] = {
        {"one\r\ntwo\r\n", "a\r\none\r\ntwo\r\nb\r\n"},
        {"half-written", "a\r\nhalf-written\r\nb\r\n"},
    };
    for (const auto& change : cases) {
        Dir.Write("Corvalet.log", "a\r\n");
        Open();
        AppendToFile(Path, change.added);
        Logger.Log("b", lkPlain);
        EXPECT_EQ(FileBytes(), change.expected);
        EXPECT_EQ(Logger.SizeInFileForm(), FileBytes().size());
    }

    Dir.Write("Corvalet.log", "a\r\n");
    Open();
    Logger.SizeIsLimited = true;
    Logger.SizeLimitMb = 1;
    AppendToFile(Path, std::string(1024 * 1024, 'x') + "\r\n");
    Logger.Log("b", lkPlain);
    EXPECT_EQ(FileBytes(), FileForm({Cleared, "", "b"}));
}

TEST_F(LoggerTest, LinesChangedFromOutsideAreCountedAndWritten) {
    Dir.Write("Corvalet.log", "a\r\n");
    Open();
    Log.push_back("added");
    Logger.Log("b", lkPlain);
    EXPECT_EQ(FileBytes(), "a\r\nadded\r\nb\r\n");
    EXPECT_EQ(Logger.SizeInFileForm(), FileBytes().size());

    Log[0] = "longer line";
    Logger.LinesChanged();
    Logger.Log("c", lkPlain);
    EXPECT_EQ(FileBytes(), "longer line\r\nadded\r\nb\r\nc\r\n");
    EXPECT_EQ(Logger.SizeInFileForm(), FileBytes().size());
}

// A log that cannot be written keeps its entries in memory; the next write that succeeds puts all
// of them in the file.
TEST_F(LoggerTest, UnwritableLogKeepsEntriesUntilAWriteSucceeds) {
    struct Case {
        const char* name;
        std::function<void(LoggerTest&)> block;
        std::function<void(LoggerTest&)> unblock;
        Lines loaded;
    };
    const Case cases[] = {
        {"read-only file (even for the superuser)",
         [](LoggerTest& t) {
             t.Dir.Write("Corvalet.log", "old\r\n");
             fs::permissions(t.Path, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
         },
         [](LoggerTest& t) { fs::permissions(t.Path, fs::perms::owner_write, fs::perm_options::add); },
         {"old"}},
        {"a folder in place of the file",
         [](LoggerTest& t) { fs::create_directory(t.Path); },
         [](LoggerTest& t) { fs::remove(t.Path); },
         {Created, ""}},
        {"missing folder",
         [](LoggerTest& t) { t.Path = t.Dir.File("missing/Corvalet.log").string(); },
         [](LoggerTest& t) { fs::create_directory(t.Dir.File("missing")); },
         {Created, ""}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        LoggerTest& t = *this;
        fs::remove_all(Path);
        c.block(t);
        Open();
        EXPECT_EQ(Log, c.loaded);
        std::error_code ignored;
        const auto before = fs::status(Path, ignored).type();
        const std::string bytesBefore = before == fs::file_type::regular ? FileBytes() : "";

        Logger.Log("one", lkError);
        Logger.Log("two", lkError);
        EXPECT_EQ(fs::status(Path, ignored).type(), before);
        if (before == fs::file_type::regular) {
            EXPECT_EQ(FileBytes(), bytesBefore);
        }

        c.unblock(t);
        Logger.Log("three", lkError);
        Lines expected = c.loaded;
        for (const char* text : {"one", "two", "three"})
            expected.push_back(std::string("ERROR:       ") + text);
        EXPECT_EQ(Log, expected);
        EXPECT_EQ(Dir.Read(fs::relative(Path, Dir.Path())), FileForm(expected));
        Path = Dir.File("Corvalet.log").string();
    }
}

// Under the usual umask a new log is the user's alone: its entries name recipients and servers.
TEST_F(LoggerTest, ANewLogIsPrivate) {
    const test::TUmask umask(022);
    Open();
    Logger.Log("one", lkError);
    struct stat info {};
    ASSERT_EQ(::stat(Path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0600u);
}

// A link planted as the log, to another file of the user's or to one it would create, is never
// written through, neither by an entry appended nor by a whole rewrite: the log keeps its entries
// in memory, as a read-only one does.
TEST_F(LoggerTest, ALinkInThePlaceOfTheLogIsNotWrittenThrough) {
    for (const bool targetThere : {true, false}) {
        SCOPED_TRACE(targetThere ? "to a file" : "to a file it would make");
        Log.clear();
        fs::remove(Path);
        Open();
        Logger.Log("one", lkError); // the log is in step with its file: the next entry is appended
        fs::remove(Path);
        fs::remove(Dir.File("victim"));
        if (targetThere)
            Dir.Write("victim", "victim's bytes");
        fs::create_symlink(Dir.File("victim"), Path);
        Logger.Log("two", lkError);
        Logger.LinesChanged(); // and a whole rewrite
        Logger.Log("three", lkError);
        EXPECT_EQ(Log.back(), "ERROR:       three");
        EXPECT_TRUE(fs::is_symlink(Path));
        if (targetThere) {
            EXPECT_EQ(Dir.Read("victim"), "victim's bytes");
        } else {
            EXPECT_FALSE(fs::exists(Dir.File("victim")));
        }
    }
}

// A file that exists but cannot be read is never replaced by a fresh log: its content would be lost.
TEST_F(LoggerTest, UnreadableFileIsNotOverwritten) {
    Dir.Write("Corvalet.log", "kept\r\n");
    test::RunUnprivileged(Dir.Path(), [&] {
        fs::permissions(Path, fs::perms::owner_write);
        Open();
        EXPECT_EQ(Log, (Lines{Created, ""}));
        Logger.Log("one", lkError);
        fs::permissions(Path, fs::perms::owner_read | fs::perms::owner_write);
        EXPECT_EQ(FileBytes(), "kept\r\n");
    });
}

// A log that may be written, in a folder that takes no new files (an installed program's folder),
// keeps taking entries after a whole rewrite; they are not left in memory to be lost at exit.
TEST_F(LoggerTest, WritableLogInAReadOnlyFolderKeepsTakingEntries) {
    Dir.Write("Corvalet.log", "old\r\n");
    test::RunUnprivileged(Dir.Path(), [&] {
        fs::permissions(Dir.Path(), fs::perms::owner_read | fs::perms::owner_exec);
        Open();
        // A limit of 0 Mb clears the log at every entry: each one rewrites the whole file.
        Logger.SizeIsLimited = true;
        Logger.SizeLimitMb = 0;
        Logger.Log("one", lkError);
        EXPECT_EQ(FileBytes(), FileForm(Lines{Cleared, "", "ERROR:       one"}));
        Logger.Log("two", lkError);
        EXPECT_EQ(FileBytes(), FileForm(Lines{Cleared, "", "ERROR:       two"}));
        Logger.SizeIsLimited = false;
        Logger.Log("three", lkError);
        EXPECT_EQ(FileBytes(), FileForm(Lines{Cleared, "", "ERROR:       two", "ERROR:       three"}));
        EXPECT_EQ(std::distance(fs::directory_iterator(Dir.Path()), {}), 1);
        fs::permissions(Dir.Path(), fs::perms::owner_all);
    });
}

} // namespace
} // namespace corvalet
