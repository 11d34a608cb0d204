#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace corvalet {

// Raised when the help catalogue cannot be read or holds a line it does not understand.
class EHelpCatalogueError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct THelpTopic {
    std::string Name;
    std::string Page;
    std::string Title;
};

struct THelpIndexEntry {
    std::string Keyword;
    std::string Page; // a page, optionally with "#anchor"
};

// What the help pages offer: their topics (the first is the default topic), the context numbers
// that lead to topics, and the keyword index. Read from "catalogue.txt" in the help folder:
//   topic|<name>|<page>|<title>
//   context|<number>|<topic name>
//   keyword|<index keyword>|<page>[#anchor]
// Blank lines and lines starting with "#" are ignored.
class THelpCatalogue {
public:
    static constexpr const char* FileName = "catalogue.txt";

    static THelpCatalogue Parse(const std::string& text);
    // Reads the catalogue of a help folder (a path ending in "/").
    static THelpCatalogue Load(const std::string& folder);

    const std::vector<THelpTopic>& Topics() const { return TopicList; }
    const THelpTopic* DefaultTopic() const { return TopicList.empty() ? nullptr : &TopicList.front(); }
    const THelpTopic* FindTopic(const std::string& name) const;
    // The topic a context number leads to; nullptr for a number the help does not hold.
    const THelpTopic* TopicForContext(std::uint32_t context) const;

    // The index, sorted by keyword without regard to case.
    const std::vector<THelpIndexEntry>& Index() const { return IndexEntries; }
    // Where the index stands for a keyword: the entry sharing the longest beginning with it,
    // without regard to case (the first such); with nothing in common, the first entry that sorts
    // after it (or the last). Empty index: nullopt.
    std::optional<std::size_t> IndexPosition(const std::string& keyword) const;
    // Whether the index entry at `position` is the keyword itself or its beginning, so that the
    // keyword's topic can be shown, not only its place in the index.
    bool IndexEntryCovers(std::size_t position, const std::string& keyword) const;

private:
    std::vector<THelpTopic> TopicList;
    std::map<std::uint32_t, std::size_t> Contexts;
    std::vector<THelpIndexEntry> IndexEntries;
};

} // namespace corvalet
