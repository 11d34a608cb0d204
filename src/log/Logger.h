#pragma once

#include "platform/Clock.h"
#include "platform/FormatSettings.h"

#include <bitset>
#include <cstdint>
#include <string>
#include <vector>

namespace corvalet {

// Kinds of log entries. Each kind selects the 13-character prefix that starts its line.
enum TLogKind : int {
    lkPlain = 0,       // no prefix
    lkInformation = 1, // 13 spaces: a mailing that succeeded
    lkWarning = 2,     // "WARNING:     "
    lkError = 3,       // "ERROR:       ": a mailing that failed
    lkFatalError = 4,  // "FATAL ERROR: ": an error that reached the program-wide handler
};

inline constexpr int LogKindCount = 5;

// A set of entry kinds, indexed by TLogKind.
using TLogKinds = std::bitset<LogKindCount>;

inline constexpr TLogKinds AllLogKinds{0b11111};
inline constexpr TLogKinds ErrorLogKinds{0b11000}; // lkError and lkFatalError

// Bytes in one "Mb" of the size limit.
inline constexpr std::int64_t LogSizeUnit = 1048576;

// The log writer: keeps the whole log in memory as a list of lines and mirrors it in a text file of
// CR LF lines.
//
// The line list belongs to the caller (the configuration window) and is attached with SetLines.
// The writer keeps a running count of the log's size in file form, so that an entry costs the
// same however long the log is. It notices lines added or removed from outside at the next entry;
// a caller that edits lines in place tells it with LinesChanged (or attaches the list again).
//
// The file is written so that it always holds a whole, well-formed log: an entry is appended when
// the file holds exactly the lines before it; otherwise the whole log replaces the file in one
// step. A file that exists but cannot be read and written is left untouched and the entries stay
// in memory until a later write succeeds. Write failures are never reported.
class TLogger {
public:
    TLogger(const TClock& clock, const TFormatSettings& formats);

    TLogger(const TLogger&) = delete;
    TLogger& operator=(const TLogger&) = delete;

    // Settings the logger set-up assigns directly.
    bool Enabled = true;
    TLogKinds Kinds = AllLogKinds;
    bool SizeIsLimited = false;
    std::int32_t SizeLimitMb = 10;

    // Attaches the in-memory log (not owned; nullptr detaches it). Until a list is attached the
    // writer does nothing.
    void SetLines(std::vector<std::string>* lines);
    std::vector<std::string>* GetLines() const { return Lines; }

    // Stores the log file's path and, with a list attached, reads the log from it.
    void SetFilePath(const std::string& path);
    const std::string& GetFilePath() const { return FilePath; }

    // Appends one entry of the given kind (see TLogKind), subject to Enabled, Kinds and the size
    // limit, and writes it to the file. The entry is one line: line breaks and other control
    // characters in the text become spaces.
    void Log(const std::string& text, int kind);

    // Replaces the in-memory log with the file's lines (a line ends at CR LF, CR or LF). A file
    // that cannot be read gives the "Errors log created on" header instead; the file is then
    // written with the next entry.
    void LoadFile();

    // Writes the whole in-memory log to the file, replacing it. Failures are ignored.
    void SaveFile();

    // Re-measures the attached lines after a caller changed them in place.
    void LinesChanged();

    // The size of the in-memory log in file form: every line with its two-byte line break.
    std::uint64_t SizeInFileForm() const { return LogBytes; }

private:
    void NoticeOutsideChanges();
    void TakeInEntriesOfOtherPrograms();
    void Measure();
    void AddLine(std::string line);
    void AddHeader(const std::string& words);
    bool SizeLimitExceededBy(std::uint64_t entryBytes) const;
    bool AppendEntry(const std::string& line, std::uint64_t bytesBefore);
    bool MayReplaceFile() const;

    const TClock& Clock;
    const TFormatSettings Formats;

    std::vector<std::string>* Lines = nullptr;
    std::string FilePath;

    // Bytes of the in-memory log in file form, and the number of lines that count covers.
    std::uint64_t LogBytes = 0;
    std::size_t MeasuredLines = 0;
    // The file holds exactly the in-memory log in file form, so the next entry may be appended.
    bool FileInSync = false;
};

// The one log writer of the program, on the system clock and the user's date and time formats.
TLogger& GetLogger();

} // namespace corvalet
