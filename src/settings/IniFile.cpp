#include "settings/IniFile.h"

#include "settings/TextValues.h"

#include <iterator>
#include <string_view>

namespace corvalet {

namespace {

constexpr std::string_view CrLf = "\r\n";
constexpr std::string_view ByteOrderMark = "\xef\xbb\xbf";

// "[Name]", blanks allowed around the brackets and the name; text after "]" does not count.
std::optional<std::string_view> SectionName(std::string_view line) {
    line = TrimBlanks(line);
    if (line.empty() || line.front() != '[')
        return std::nullopt;
    const std::size_t close = line.find(']');
    if (close == std::string_view::npos)
        return std::nullopt;
    return TrimBlanks(line.substr(1, close - 1));
}

// "Key=Value": the key is the trimmed text before the first "="; a line without "=" or with an
// empty key is no key.
std::optional<std::string_view> KeyName(std::string_view line) {
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos)
        return std::nullopt;
    const std::string_view key = TrimBlanks(line.substr(0, equals));
    if (key.empty())
        return std::nullopt;
    return key;
}

bool IsQuoted(std::string_view value) {
    return value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
           value.back() == value.front();
}

std::string_view StoredValue(std::string_view line) {
    std::string_view value = TrimBlanks(line.substr(line.find('=') + 1));
    if (IsQuoted(value))
        value = value.substr(1, value.size() - 2);
    return value;
}

// The value as written on its line. A value is one line: each line break in it becomes a space. A
// value that reading would change gets a pair of quotes, which reading removes again: one with
// blanks at either end, which reading would trim ('x ' must not come back as 'x'), and one that
// itself stands in quotes, which reading would take off ('"Hello"' must not come back as 'Hello').
std::string LineValue(const std::string& value) {
    std::string result;
    result.reserve(value.size());
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '\r' || value[i] == '\n') {
            if (value[i] == '\r' && i + 1 < value.size() && value[i + 1] == '\n')
                ++i;
            result += ' ';
        } else {
            result += value[i];
        }
    }
    const std::string_view trimmed = TrimBlanks(result);
    const bool changedByReading = trimmed.size() != result.size() || IsQuoted(trimmed);
    return changedByReading ? '"' + result + '"' : result;
}

} // namespace

std::size_t TIniFile::TNameHash::operator()(std::string_view name) const {
    std::size_t hash = 14695981039346656037u;
    for (const char c : name) {
        hash ^= static_cast<unsigned char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
        hash *= 1099511628211u;
    }
    return hash;
}

bool TIniFile::TNameEqual::operator()(std::string_view left, std::string_view right) const {
    return EqualNoCase(left, right);
}

TIniFile::TIniFile() : NewLineBreak(CrLf) {}

TIniFile::TIniFile(const std::string& bytes) {
    std::size_t start = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != '\r' && bytes[i] != '\n')
            continue;
        const std::size_t breakSize =
            bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n' ? 2 : 1;
        std::string lineBreak = bytes.substr(i, breakSize);
        if (NewLineBreak.empty())
            NewLineBreak = lineBreak;
        AddLine(bytes.substr(start, i - start), std::move(lineBreak));
        i += breakSize - 1;
        start = i + 1;
    }
    if (start < bytes.size())
        AddLine(bytes.substr(start), std::string());
    if (NewLineBreak.empty())
        NewLineBreak = CrLf;
}

void TIniFile::AddLine(std::string text, std::string lineBreak) {
    Lines.push_back(TLine{std::move(text), std::move(lineBreak)});
    const TLineIterator line = std::prev(Lines.end());
    // Editors may start a UTF-8 file with a byte order mark; it is kept but is no part of the line.
    std::string_view content = line->Text;
    if (Lines.size() == 1 && content.substr(0, ByteOrderMark.size()) == ByteOrderMark)
        content.remove_prefix(ByteOrderMark.size());
    if (const auto name = SectionName(content)) {
        Sections.push_back(TSection{line, {}});
        SectionIndex.emplace(*name, Sections.size() - 1);
        return;
    }
    if (Sections.empty() || TrimBlanks(content).empty())
        return;
    TSection& section = Sections.back();
    section.LastContent = line;
    if (const auto key = KeyName(content))
        section.Keys.emplace(*key, line);
}

const TIniFile::TSection* TIniFile::FindSection(const std::string& section) const {
    const auto found = SectionIndex.find(std::string_view(section));
    return found == SectionIndex.end() ? nullptr : &Sections[found->second];
}

std::optional<std::string> TIniFile::ReadValue(const std::string& section, const std::string& key) const {
    const TSection* found = FindSection(section);
    if (found == nullptr)
        return std::nullopt;
    const auto line = found->Keys.find(std::string_view(key));
    if (line == found->Keys.end())
        return std::nullopt;
    return std::string(StoredValue(line->second->Text));
}

std::vector<std::string> TIniFile::KeyNames(const std::string& section) const {
    std::vector<std::string> names;
    if (const TSection* found = FindSection(section)) {
        names.reserve(found->Keys.size());
        for (const auto& key : found->Keys)
            names.push_back(key.first);
    }
    return names;
}

std::string TIniFile::ReadString(const std::string& section, const std::string& key,
                                 const std::string& fallback) const {
    return ReadValue(section, key).value_or(fallback);
}

std::int32_t TIniFile::ReadInteger(const std::string& section, const std::string& key,
                                   std::int32_t fallback) const {
    const auto value = ReadValue(section, key);
    if (!value)
        return fallback;
    return corvalet::ReadInteger(*value, true).value_or(fallback);
}

bool TIniFile::ReadBool(const std::string& section, const std::string& key, bool fallback) const {
    return ReadInteger(section, key, fallback ? 1 : 0) != 0;
}

TIniFile::TSection& TIniFile::SectionToWrite(const std::string& section) {
    const auto found = SectionIndex.find(std::string_view(section));
    if (found != SectionIndex.end())
        return Sections[found->second];
    if (!Lines.empty())
        AddLine(std::string(), NewLineBreak);
    AddLine("[" + section + "]", NewLineBreak);
    return Sections.back();
}

void TIniFile::WriteString(const std::string& section, const std::string& key, const std::string& value) {
    TSection& target = SectionToWrite(section);
    const std::string text = LineValue(value);
    const auto existing = target.Keys.find(std::string_view(key));
    if (existing != target.Keys.end()) {
        // Keep the key as spelled in the file, its "=" and the blanks after it.
        std::string& line = existing->second->Text;
        const std::size_t valueStart = line.find_first_not_of(" \t", line.find('=') + 1);
        line.replace(std::min(valueStart, line.size()), std::string::npos, text);
        return;
    }
    const TLineIterator line =
        Lines.insert(std::next(target.LastContent), TLine{key + "=" + text, NewLineBreak});
    target.LastContent = line;
    target.Keys.emplace(key, line);
}

void TIniFile::WriteInteger(const std::string& section, const std::string& key, std::int32_t value) {
    WriteString(section, key, std::to_string(value));
}

void TIniFile::WriteBool(const std::string& section, const std::string& key, bool value) {
    WriteString(section, key, value ? "1" : "0");
}

std::string TIniFile::Text() const {
    std::size_t size = 0;
    for (const TLine& line : Lines)
        size += line.Text.size() + NewLineBreak.size();
    std::string text;
    text.reserve(size);
    for (auto line = Lines.begin(); line != Lines.end(); ++line) {
        text += line->Text;
        // A last line without a break gets one once lines follow it.
        const bool last = std::next(line) == Lines.end();
        text += line->Break.empty() && !last ? NewLineBreak : line->Break;
    }
    return text;
}

} // namespace corvalet
