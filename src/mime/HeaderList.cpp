#include "mime/HeaderList.h"

#include "mime/MimeText.h"

namespace corvalet {

namespace {

bool IsContinuation(const std::string& line) {
    return !line.empty() && (line[0] == ' ' || line[0] == '\t');
}

std::string_view NameOf(std::string_view line) {
    const std::size_t colon = line.find(':');
    return colon == std::string_view::npos ? std::string_view() : line.substr(0, colon);
}

} // namespace

int TNetHeaderList::IndexOfHeader(std::string_view name) const {
    for (std::size_t i = 0; i < Lines.size(); ++i)
        if (mime::SameText(NameOf(Lines[i]), name))
            return static_cast<int>(i);
    return -1;
}

std::string TNetHeaderList::GetHeaderValue(std::string_view name) const {
    const int index = IndexOfHeader(name);
    if (index < 0)
        return {};
    const std::string& line = Lines[static_cast<std::size_t>(index)];
    std::string value = line.substr(line.find(':') + 1);
    for (std::size_t next = static_cast<std::size_t>(index) + 1;
         next < Lines.size() && IsContinuation(Lines[next]); ++next)
        value = mime::Trim(value) + " " + mime::Trim(Lines[next]);
    return mime::Trim(value);
}

void TNetHeaderList::SetHeaderValue(std::string_view name, std::string_view value) {
    int found = IndexOfHeader(name);
    if (value.empty()) {
        if (found >= 0) {
            DeleteContinuationLines(static_cast<std::size_t>(found));
            Delete(static_cast<std::size_t>(found));
        }
        return;
    }
    if (found < 0) {
        Lines.emplace_back();
        found = static_cast<int>(Lines.size() - 1);
    }
    const auto index = static_cast<std::size_t>(found);
    DeleteContinuationLines(index);
    std::string line(name);
    line.append(Separator).append(value);
    std::vector<std::string> folded = FoldHeaderLine(line);
    Lines[index] = std::move(folded[0]);
    Lines.insert(Lines.begin() + static_cast<std::ptrdiff_t>(index) + 1,
                 std::make_move_iterator(folded.begin() + 1), std::make_move_iterator(folded.end()));
}

void TNetHeaderList::Insert(std::size_t index, std::string line) {
    Lines.insert(Lines.begin() + static_cast<std::ptrdiff_t>(index), std::move(line));
}

void TNetHeaderList::Delete(std::size_t index) {
    Lines.erase(Lines.begin() + static_cast<std::ptrdiff_t>(index));
}

void TNetHeaderList::AddLines(const TNetHeaderList& other) {
    Lines.insert(Lines.end(), other.Lines.begin(), other.Lines.end());
}

void TNetHeaderList::DeleteContinuationLines(std::size_t index) {
    std::size_t end = index + 1;
    while (end < Lines.size() && IsContinuation(Lines[end]))
        ++end;
    Lines.erase(Lines.begin() + static_cast<std::ptrdiff_t>(index) + 1,
                Lines.begin() + static_cast<std::ptrdiff_t>(end));
}

std::string WrapHeaderText(std::string_view line, std::string_view breakText, std::string_view breakChars,
                           int maxCol) {
    // Positions are 0-based here; `col` is the 1-based column of the next character.
    const std::size_t length = line.size();
    const auto isBreakChar = [&](char c) { return breakChars.find(c) != std::string_view::npos; };
    std::string result;
    std::size_t pos = 0;
    std::size_t linePos = 0;
    std::size_t breakPos = 0;
    bool haveBreak = false; // breakPos holds a break character of the current piece
    std::size_t col = 1;
    bool quoted = false;
    while (pos < length) {
        const char c = line[pos];
        bool existingBreak = false;
        if (c == '\r' && !quoted) {
            // A CR LF followed by a blank is a break made earlier (an encoded word's continuation):
            // keep it, with its blank, rather than breaking the line again at that blank.
            existingBreak =
                pos + 2 < length && line[pos + 1] == '\n' && (line[pos + 2] == ' ' || line[pos + 2] == '\t');
            if (existingBreak) {
                pos += 2;
                breakPos = pos;
                haveBreak = true;
            }
        } else if (!quoted && isBreakChar(c)) {
            breakPos = pos;
            haveBreak = true;
        } else if (c == '"') {
            quoted = !quoted;
        }
        ++pos;
        ++col;
        if (quoted)
            continue;
        if (existingBreak || (col > static_cast<std::size_t>(maxCol) && haveBreak && breakPos > linePos)) {
            col = pos - breakPos;
            result.append(line.substr(linePos, breakPos - linePos + 1));
            if (c != '"')
                while (pos < length && (isBreakChar(line[pos]) || line[pos] == '\r' || line[pos] == '\n'))
                    ++pos;
            if (!existingBreak && pos + 1 < length)
                result.append(breakText);
            linePos = breakPos + 1;
            haveBreak = false;
        }
    }
    if (linePos < length)
        result.append(line.substr(linePos));
    return result;
}

std::vector<std::string> FoldHeaderLine(std::string_view line) {
    const std::string wrapped = WrapHeaderText(line, "\r\n ", "\t ,", TNetHeaderList::FoldWidth);
    std::vector<std::string> pieces;
    std::size_t start = 0;
    for (;;) {
        const std::size_t cut = wrapped.find("\r\n", start);
        pieces.push_back(mime::TrimRightBlanks(std::string_view(wrapped).substr(start, cut - start)));
        if (cut == std::string::npos)
            break;
        start = cut + 2;
    }
    return pieces;
}

} // namespace corvalet
