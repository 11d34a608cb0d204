#include "log/Logger.h"

#include "platform/TextFile.h"

#include <cstdio>
#include <filesystem>
#include <string_view>
#include <system_error>
#include <utility>

namespace corvalet {

namespace {

constexpr std::string_view LineBreak = "\r\n";

constexpr std::string_view KindPrefixes[LogKindCount] = {
    "", "             ", "WARNING:     ", "ERROR:       ", "FATAL ERROR: ",
};

std::uint64_t FileFormSize(const std::string& line) {
    return line.size() + LineBreak.size();
}

// A file nobody may write (no write permission at all) is read-only even for the superuser, who
// could otherwise write anything. Opening an existing file for update changes nothing in it and
// fails wherever reading or writing would: a log we could not read is not replaced by a fresh one.
bool IsMarkedReadOnly(std::filesystem::perms permissions) {
    using std::filesystem::perms;
    return (permissions & (perms::owner_write | perms::group_write | perms::others_write)) == perms::none;
}

bool IsWritableFile(const std::string& path, std::filesystem::perms permissions) {
    if (IsMarkedReadOnly(permissions))
        return false;
    std::FILE* file = std::fopen(path.c_str(), "r+b");
    if (file == nullptr)
        return false;
    std::fclose(file);
    return true;
}

// An entry is one line of the file: a line break inside its text (a socket error's two lines, a
// server's reply) and every other control character (ESC, BEL, NUL, a bare CR from a reply) becomes
// one space, and a break that ends the text is dropped rather than leaving an empty line.
std::string OneLine(std::string_view text) {
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n'))
        text.remove_suffix(1);
    std::string line;
    line.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            ++i;
        line += c < 0x20 || c == 0x7F ? ' ' : static_cast<char>(c);
    }
    return line;
}

} // namespace

TLogger::TLogger(const TClock& clock, const TFormatSettings& formats) : Clock(clock), Formats(formats) {}

void TLogger::SetLines(std::vector<std::string>* lines) {
    Lines = lines;
    FileInSync = false;
    Measure();
}

void TLogger::SetFilePath(const std::string& path) {
    FilePath = path;
    FileInSync = false;
    if (Lines != nullptr)
        LoadFile();
}

void TLogger::LinesChanged() {
    FileInSync = false;
    Measure();
}

void TLogger::Measure() {
    LogBytes = 0;
    MeasuredLines = 0;
    if (Lines == nullptr)
        return;
    for (const auto& line : *Lines)
        LogBytes += FileFormSize(line);
    MeasuredLines = Lines->size();
}

// Lines added or removed by someone else: the count no longer covers the list, and the file no
// longer holds it.
void TLogger::NoticeOutsideChanges() {
    if (Lines->size() != MeasuredLines)
        LinesChanged();
}

// Another program on the same log (a mailing sent from the command line while this one runs)
// adds its entries to the end of the file. A file that still begins with this log and holds more
// has only grown that way: its new lines join the log before this program's next entry, so that
// writing that entry never drops them. A file changed in any other way is written again whole.
void TLogger::TakeInEntriesOfOtherPrograms() {
    if (!FileInSync)
        return;
    std::error_code error;
    const auto size = std::filesystem::file_size(FilePath, error);
    if (error || size <= LogBytes)
        return;
    std::string bytes;
    if (!ReadFileBytes(FilePath, bytes) || bytes.size() <= LogBytes)
        return;
    std::size_t at = 0;
    for (const auto& line : *Lines) {
        if (bytes.compare(at, line.size(), line) != 0 ||
            bytes.compare(at + line.size(), LineBreak.size(), LineBreak) != 0)
            return;
        at += line.size() + LineBreak.size();
    }
    for (std::string& line : SplitLines(bytes.substr(at)))
        AddLine(std::move(line));
    // An entry still being written (no line break at its end yet) is completed by the rewrite.
    FileInSync = bytes.size() == LogBytes;
}

void TLogger::AddLine(std::string line) {
    LogBytes += FileFormSize(line);
    Lines->push_back(std::move(line));
    MeasuredLines = Lines->size();
}

void TLogger::AddHeader(const std::string& words) {
    AddLine(words + Formats.FormatDateTime(Clock.Now()) + ".");
    AddLine("");
}

// The limit is worked out in 64 bits: the window offers up to 1,024 Mb, but a hand-edited settings
// file may hold any 32-bit number, and a product that wrapped round would clear the log at every
// entry. A limit of 0 Mb or less keeps only the newest entry, as the number says.
bool TLogger::SizeLimitExceededBy(std::uint64_t entryBytes) const {
    const auto sum = static_cast<std::int64_t>(LogBytes + entryBytes);
    return sum > static_cast<std::int64_t>(SizeLimitMb) * LogSizeUnit;
}

void TLogger::Log(const std::string& text, int kind) {
    if (!Enabled || kind < 0 || kind >= LogKindCount || !Kinds.test(static_cast<std::size_t>(kind)))
        return;
    if (Lines == nullptr)
        return;
    NoticeOutsideChanges();
    TakeInEntriesOfOtherPrograms();

    std::string line;
    line.reserve(KindPrefixes[kind].size() + text.size());
    line.append(KindPrefixes[kind]).append(OneLine(text));

    if (SizeIsLimited && SizeLimitExceededBy(FileFormSize(line))) {
        Lines->clear();
        LogBytes = 0;
        MeasuredLines = 0;
        FileInSync = false;
        AddHeader("Errors log cleared on ");
    }

    const std::uint64_t bytesBefore = LogBytes;
    const bool appendable = FileInSync;
    AddLine(std::move(line));
    if (appendable && AppendEntry(Lines->back(), bytesBefore))
        return;
    SaveFile();
}

// Appends the entry when the file still has the size of the log before it (nobody truncated,
// removed or rewrote it meanwhile) and has not been made read-only or put a link in its place. On
// failure the caller rewrites the whole file, which also replaces a partly written entry.
bool TLogger::AppendEntry(const std::string& line, std::uint64_t bytesBefore) {
    std::error_code error;
    const auto status = std::filesystem::symlink_status(FilePath, error);
    const auto size = error || status.type() != std::filesystem::file_type::regular
                          ? 0
                          : std::filesystem::file_size(FilePath, error);
    if (error || status.type() != std::filesystem::file_type::regular ||
        IsMarkedReadOnly(status.permissions()) || size != bytesBefore) {
        FileInSync = false;
        return false;
    }
    std::string bytes;
    bytes.reserve(line.size() + LineBreak.size());
    bytes.append(line).append(LineBreak);
    FileInSync = AppendToFile(FilePath, bytes);
    return FileInSync;
}

void TLogger::LoadFile() {
    if (Lines == nullptr || FilePath.empty())
        return;
    std::string bytes;
    if (ReadFileBytes(FilePath, bytes)) {
        *Lines = SplitLines(bytes);
        Measure();
        // Equal sizes mean every line ends with CR LF, the last one too: the file is in file form.
        FileInSync = bytes.size() == LogBytes;
        return;
    }
    Lines->clear();
    Measure();
    AddHeader("Errors log created on ");
    FileInSync = false;
}

// A missing file may be created (for the user alone); an existing one only replaced when it may be
// read and written, so that a read-only log stays as it is. A link in the log's place is never
// written through: whoever may add entries to the folder could have planted it to have another file
// of this user's overwritten. Such a log, like a read-only one, keeps its lines in memory.
bool TLogger::MayReplaceFile() const {
    std::error_code error;
    const auto status = std::filesystem::symlink_status(FilePath, error);
    if (status.type() == std::filesystem::file_type::not_found)
        return true;
    return status.type() == std::filesystem::file_type::regular &&
           IsWritableFile(FilePath, status.permissions());
}

void TLogger::SaveFile() {
    if (Lines == nullptr || FilePath.empty())
        return;
    FileInSync = false;
    if (!MayReplaceFile())
        return;
    std::string bytes;
    bytes.reserve(LogBytes);
    for (const auto& line : *Lines)
        bytes.append(line).append(LineBreak);
    LogBytes = bytes.size();
    MeasuredLines = Lines->size();
    FileInSync = ReplaceFileAtomically(FilePath, bytes);
}

TLogger& GetLogger() {
    static TLogger logger(SystemClock(), TFormatSettings::FromLocale());
    return logger;
}

} // namespace corvalet
