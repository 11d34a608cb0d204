#include "platform/Autostart.h"

#include "platform/ProgramFolders.h"
#include "platform/TextFile.h"

#include <filesystem>
#include <system_error>

namespace corvalet {

namespace {

constexpr const char* EntryName = "autostart/corvalet.desktop";

std::string ExecutablePath() {
    std::error_code error;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? "corvalet" : exe.string();
}

} // namespace

TAutostartEntry::TAutostartEntry(std::string configHome, std::string executable)
    : ConfigHome(std::move(configHome)), Executable(std::move(executable)) {}

TAutostartEntry TAutostartEntry::Current() {
    return TAutostartEntry(corvalet::ConfigHome(TFolderEnvironment::Current()), ExecutablePath());
}

std::string TAutostartEntry::FilePath() const {
    return ConfigHome + EntryName;
}

bool TAutostartEntry::IsPresent() const {
    std::error_code ignored;
    return std::filesystem::is_regular_file(FilePath(), ignored);
}

std::string TAutostartEntry::ExecArgument(const std::string& path) {
    // Reserved characters need the argument quoted; inside quotes ", `, $ and \ are escaped.
    const bool quote = path.find_first_of(" \t\n\"'\\><~|&;$*?#()`") != std::string::npos;
    std::string argument;
    for (char c : path) {
        if (quote && (c == '"' || c == '`' || c == '$' || c == '\\'))
            argument += '\\';
        // A field code starts with %: a literal one is doubled.
        if (c == '%')
            argument += '%';
        argument += c;
    }
    if (quote)
        argument = '"' + argument + '"';
    // The value of a string key has escapes of its own: every backslash is written twice.
    std::string value;
    for (char c : argument) {
        if (c == '\\')
            value += '\\';
        value += c;
    }
    return value;
}

std::string TAutostartEntry::Contents() const {
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=Corvalet\n"
           "Comment=Start Corvalet with only its icon in the notification area\n"
           "Icon=corvalet\n"
           "Exec=" +
           ExecArgument(Executable) +
           " /HIDE\n"
           "Terminal=false\n"
           "X-GNOME-Autostart-enabled=true\n"
           // Its icon needs the panel: start after it where the desktop allows the choice.
           "X-KDE-autostart-after=panel\n";
}

void TAutostartEntry::Install() const {
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(FilePath()).parent_path(), error);
    if (error || !ReplaceFileAtomically(FilePath(), Contents()))
        throw EAutostartError("Unable to write to " + FilePath());
}

void TAutostartEntry::Remove() const {
    std::error_code error;
    std::filesystem::remove(FilePath(), error);
    if (error)
        throw EAutostartError("Unable to write to " + FilePath());
}

} // namespace corvalet
