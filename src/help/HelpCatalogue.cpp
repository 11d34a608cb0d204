#include "help/HelpCatalogue.h"

#include "platform/TextFile.h"

#include <algorithm>
#include <cctype>
#include <charconv>

namespace corvalet {

namespace {

std::vector<std::string> SplitFields(const std::string& line) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (;;) {
        const std::size_t bar = line.find('|', start);
        fields.push_back(line.substr(start, bar == std::string::npos ? std::string::npos : bar - start));
        if (bar == std::string::npos)
            return fields;
        start = bar + 1;
    }
}

char Lower(char c) {
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

bool LessNoCase(const std::string& a, const std::string& b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                        [](char x, char y) { return Lower(x) < Lower(y); });
}

std::size_t CommonPrefixNoCase(const std::string& a, const std::string& b) {
    std::size_t n = 0;
    while (n < a.size() && n < b.size() && Lower(a[n]) == Lower(b[n]))
        ++n;
    return n;
}

[[noreturn]] void Fail(std::size_t lineNumber, const std::string& what) {
    throw EHelpCatalogueError("Help catalogue line " + std::to_string(lineNumber) + ": " + what);
}

std::uint32_t ParseContext(const std::string& text, std::size_t lineNumber) {
    std::uint32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || value == 0)
        Fail(lineNumber, "'" + text + "' is not a context number");
    return value;
}

} // namespace

THelpCatalogue THelpCatalogue::Parse(const std::string& text) {
    THelpCatalogue catalogue;
    std::vector<std::pair<std::uint32_t, std::string>> contextTopics;
    const auto lines = SplitLines(text);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        const std::size_t lineNumber = i + 1;
        if (line.find_first_not_of(" \t") == std::string::npos || line.front() == '#')
            continue;
        const auto fields = SplitFields(line);
        const std::string& kind = fields.front();
        const bool anyEmpty =
            std::any_of(fields.begin(), fields.end(), [](const auto& f) { return f.empty(); });
        if (kind == "topic" && fields.size() == 4 && !anyEmpty) {
            if (catalogue.FindTopic(fields[1]))
                Fail(lineNumber, "topic '" + fields[1] + "' is listed twice");
            catalogue.TopicList.push_back({fields[1], fields[2], fields[3]});
        } else if (kind == "context" && fields.size() == 3 && !anyEmpty) {
            contextTopics.emplace_back(ParseContext(fields[1], lineNumber), fields[2]);
        } else if (kind == "keyword" && fields.size() == 3 && !anyEmpty) {
            catalogue.IndexEntries.push_back({fields[1], fields[2]});
        } else {
            Fail(lineNumber, "'" + line + "' is not a topic, context or keyword entry");
        }
    }
    // Contexts may name topics listed after them, so they are resolved once all topics are known.
    for (const auto& [context, topicName] : contextTopics) {
        const THelpTopic* topic = catalogue.FindTopic(topicName);
        if (!topic)
            throw EHelpCatalogueError("Help catalogue: context " + std::to_string(context) +
                                      " names the unknown topic '" + topicName + "'");
        catalogue.Contexts[context] = static_cast<std::size_t>(topic - catalogue.TopicList.data());
    }
    std::stable_sort(
        catalogue.IndexEntries.begin(), catalogue.IndexEntries.end(),
        [](const THelpIndexEntry& a, const THelpIndexEntry& b) { return LessNoCase(a.Keyword, b.Keyword); });
    return catalogue;
}

THelpCatalogue THelpCatalogue::Load(const std::string& folder) {
    std::string text;
    if (!ReadFileBytes(folder + FileName, text))
        throw EHelpCatalogueError("The help pages were not found in " + folder);
    return Parse(text);
}

const THelpTopic* THelpCatalogue::FindTopic(const std::string& name) const {
    const auto found =
        std::find_if(TopicList.begin(), TopicList.end(), [&](const THelpTopic& t) { return t.Name == name; });
    return found == TopicList.end() ? nullptr : &*found;
}

const THelpTopic* THelpCatalogue::TopicForContext(std::uint32_t context) const {
    const auto found = Contexts.find(context);
    return found == Contexts.end() ? nullptr : &TopicList[found->second];
}

std::optional<std::size_t> THelpCatalogue::IndexPosition(const std::string& keyword) const {
    if (IndexEntries.empty())
        return std::nullopt;
    std::size_t best = 0;
    std::size_t bestLength = 0;
    for (std::size_t i = 0; i < IndexEntries.size(); ++i) {
        const std::size_t length = CommonPrefixNoCase(IndexEntries[i].Keyword, keyword);
        if (length > bestLength) {
            best = i;
            bestLength = length;
        }
    }
    if (bestLength > 0)
        return best;
    const auto after = std::find_if(IndexEntries.begin(), IndexEntries.end(), [&](const THelpIndexEntry& e) {
        return !LessNoCase(e.Keyword, keyword);
    });
    return after == IndexEntries.end() ? IndexEntries.size() - 1
                                       : static_cast<std::size_t>(after - IndexEntries.begin());
}

bool THelpCatalogue::IndexEntryCovers(std::size_t position, const std::string& keyword) const {
    if (position >= IndexEntries.size())
        return false;
    const std::string& entry = IndexEntries[position].Keyword;
    return CommonPrefixNoCase(entry, keyword) == entry.size();
}

} // namespace corvalet
