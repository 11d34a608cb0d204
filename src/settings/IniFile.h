#pragma once

#include <cstdint>
#include <list>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace corvalet {

// A settings file of "[Section]" lines and "Key=Value" lines, held in memory line by line so that
// writing a key changes that one line and every other line (comments, unknown keys, blank lines,
// lines that make no sense) comes out as it came in, with its own line break.
//
// Reading: section and key names ignore letter case; where a section or a key stands more than
// once, the first one counts. A value loses its surrounding blanks and then one pair of enclosing
// single or double quotes, and is otherwise read whole, however long.
//
// Writing: an existing key keeps its line and its spelling and gets the new value; a new key goes
// after the last non-blank line of its (first) section; a new section goes at the end of the file,
// after an empty line. A value cannot span lines, so each line break in it (CR LF, CR or LF) is
// written as one space; a value with blanks at either end, and a value in quotes, is written in one
// more pair of quotes, so that every value reads back exactly as it was written.
class TIniFile {
public:
    // An empty file.
    TIniFile();
    // The file's bytes as read from disk.
    explicit TIniFile(const std::string& bytes);

    std::optional<std::string> ReadValue(const std::string& section, const std::string& key) const;
    std::string ReadString(const std::string& section, const std::string& key,
                           const std::string& fallback) const;
    // Decimal, or hexadecimal after "0x" or "0X"; a value that is no 32-bit integer gives `fallback`.
    std::int32_t ReadInteger(const std::string& section, const std::string& key, std::int32_t fallback) const;
    // Read as an integer (1 or 0 when missing); true when not 0.
    bool ReadBool(const std::string& section, const std::string& key, bool fallback) const;

    void WriteString(const std::string& section, const std::string& key, const std::string& value);
    void WriteInteger(const std::string& section, const std::string& key, std::int32_t value);
    // "1" or "0".
    void WriteBool(const std::string& section, const std::string& key, bool value);

    // The names of the keys in the (first) section of that name, as spelled in the file, in no
    // particular order.
    std::vector<std::string> KeyNames(const std::string& section) const;

    // The whole file as it is to be written.
    std::string Text() const;
    // The number of lines the file holds.
    std::size_t LineCount() const { return Lines.size(); }

private:
    struct TLine {
        std::string Text;
        std::string Break; // as it ended in the file; empty for a last line without one
    };
    using TLineIterator = std::list<TLine>::iterator;
    // Names looked up without regard to letter case, and without making lower-case copies.
    struct TNameHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view name) const;
    };
    struct TNameEqual {
        using is_transparent = void;
        bool operator()(std::string_view left, std::string_view right) const;
    };
    template <typename TValue>
    using TNameMap = std::unordered_map<std::string, TValue, TNameHash, TNameEqual>;
    struct TSection {
        // Where the next new key of the section goes after: its last non-blank line.
        TLineIterator LastContent;
        // The first line of each key in the section.
        TNameMap<TLineIterator> Keys;
    };

    void AddLine(std::string text, std::string lineBreak);
    TSection& SectionToWrite(const std::string& section);
    const TSection* FindSection(const std::string& section) const;

    std::list<TLine> Lines;
    std::vector<TSection> Sections;
    // The first section of each name.
    TNameMap<std::size_t> SectionIndex;
    // Line break of new lines: the file's first one, else CR LF.
    std::string NewLineBreak;
};

} // namespace corvalet
