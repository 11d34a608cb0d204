#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace corvalet {

// Ordered header lines "name: value" with lookup by name (case does not matter) and folding of long
// lines when a value is set, so the list always holds physical lines ready to be written, each to be
// followed by CR LF. A line that begins with a space or TAB continues the line above it.
class TNetHeaderList {
public:
    static constexpr std::string_view Separator = ": ";
    static constexpr int FoldWidth = 78;

    // Index of the first line named `name`, or -1.
    int IndexOfHeader(std::string_view name) const;
    // The value of `name` with its continuation lines joined by one space; empty when absent.
    std::string GetHeaderValue(std::string_view name) const;
    // Sets, replaces (in place, spelled as given) or, with an empty value, removes the line.
    void SetHeaderValue(std::string_view name, std::string_view value);

    // Plain list operations.
    std::size_t Count() const { return Lines.size(); }
    bool Empty() const { return Lines.empty(); }
    const std::string& operator[](std::size_t index) const { return Lines[index]; }
    const std::vector<std::string>& AllLines() const { return Lines; }
    void Add(std::string line) { Lines.push_back(std::move(line)); }
    void Insert(std::size_t index, std::string line);
    void Replace(std::size_t index, std::string line) { Lines[index] = std::move(line); }
    void Delete(std::size_t index);
    void Clear() { Lines.clear(); }
    void Assign(const TNetHeaderList& other) { Lines = other.Lines; }
    void AddLines(const TNetHeaderList& other);

private:
    void DeleteContinuationLines(std::size_t index);

    std::vector<std::string> Lines;
};

// Breaks `line` after the last break character before column `maxCol` each time the column is passed,
// inserting `breakText`; a double-quoted stretch is never broken, and a CR LF followed by a space or
// TAB already in the text is kept as a break (the continuation keeps its blank and the column counts
// again from there).
std::string WrapHeaderText(std::string_view line, std::string_view breakText, std::string_view breakChars,
                           int maxCol);

// The physical lines of one header line: wrapped at column 78 after TAB, space or comma, cut at each
// CR LF, trailing blanks removed. The blank after the name's colon is a break like any other, so a
// first encoded word too long to stand beside the name goes on a line of its own rather than making
// a line longer than an encoded word may stand on; readers unfold it to the same value.
std::vector<std::string> FoldHeaderLine(std::string_view line);

} // namespace corvalet
