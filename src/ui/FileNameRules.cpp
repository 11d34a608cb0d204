#include "ui/FileNameRules.h"

#include <algorithm>
#include <filesystem>
#include <vector>

namespace corvalet {

namespace {

std::string UpperCase(std::string text) {
    for (char& c : text) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    }
    return text;
}

// From the last "." of the file name part on; empty when the name has none.
std::string Extension(const std::string& path) {
    const std::size_t name = path.find_last_of('/');
    const std::size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (name != std::string::npos && dot < name))
        return {};
    return path.substr(dot);
}

std::vector<std::string> Folders(const std::string& path) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= path.size()) {
        const std::size_t end = std::min(path.find('/', start), path.size());
        if (end > start)
            parts.push_back(path.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

} // namespace

std::optional<int> ContentTypeForBodyFile(const std::string& path) {
    const std::string extension = UpperCase(Extension(path));
    if (extension == ".HTML" || extension == ".HTM")
        return 0;
    if (extension == ".TXT")
        return 1;
    return std::nullopt;
}

std::string LogChooserFolder(const std::string& programFolder, const std::string& logFileName) {
    const std::size_t slash = logFileName.find_last_of('/');
    if (slash == std::string::npos)
        return programFolder;
    const std::filesystem::path folder = logFileName.substr(0, slash + 1);
    const std::filesystem::path resolved = folder.is_absolute() ? folder : programFolder / folder;
    return resolved.lexically_normal().string();
}

std::string RelativeLogFileName(const std::string& programFolder, const std::string& chosenPath) {
    const std::size_t slash = chosenPath.find_last_of('/');
    const std::string fileName = slash == std::string::npos ? chosenPath : chosenPath.substr(slash + 1);
    const std::vector<std::string> program = Folders(programFolder);
    const std::vector<std::string> chosen =
        Folders(slash == std::string::npos ? std::string() : chosenPath.substr(0, slash));

    std::size_t common = 0;
    while (common < program.size() && common < chosen.size() && program[common] == chosen[common])
        ++common;
    // Nothing in common below the root: as far apart as two drives, so the full path is kept.
    if (common == 0 && !program.empty())
        return chosenPath;

    std::string relative;
    for (std::size_t level = common; level < program.size(); ++level)
        relative += "../";
    for (std::size_t level = common; level < chosen.size(); ++level)
        relative += chosen[level] + "/";
    return relative + fileName;
}

} // namespace corvalet
