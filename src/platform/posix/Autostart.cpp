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

// Well-formed UTF-8: no stray continuation bytes, no overlong forms, no surrogates, nothing past
// U+10FFFF.
bool IsValidUtf8(const std::string& text) {
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const std::size_t length = lead < 0x80 ? 1 : lead >= 0xC2 && lead <= 0xDF ? 2
                                               : lead >= 0xE0 && lead <= 0xEF   ? 3
                                               : lead >= 0xF0 && lead <= 0xF4   ? 4
                                                                                : 0;
        if (length == 0 || i + length > text.size())
            return false;
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            unsigned char low = 0x80;
            unsigned char high = 0xBF;
            if (k == 1 && lead == 0xE0)
                low = 0xA0;
            else if (k == 1 && lead == 0xED)
                high = 0x9F;
            else if (k == 1 && lead == 0xF0)
                low = 0x90;
            else if (k == 1 && lead == 0xF4)
                high = 0x8F;
            if (next < low || next > high)
                return false;
        }
        i += length;
    }
    return true;
}

bool IsControl(unsigned char c) {
    return c < 0x20 || c == 0x7F;
}

// What keeps the path out of a desktop entry, or empty.
std::string PathProblem(const std::string& path) {
    for (const char c : path)
        if (IsControl(static_cast<unsigned char>(c)))
            return "the path holds a control character";
    if (!IsValidUtf8(path))
        return "the path is not UTF-8 text";
    return std::string();
}

// The path for a message of one line: control characters as \xNN.
std::string Printable(const std::string& path) {
    static constexpr char Digits[] = "0123456789ABCDEF";
    std::string text;
    for (const char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        if (IsControl(byte))
            text.append("\\x").append(1, Digits[byte >> 4]).append(1, Digits[byte & 0xF]);
        else
            text += c;
    }
    return text;
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
    // A desktop entry is UTF-8 text of one line per key; its string values may hold no control
    // character (a line break would end the key and start another one of the path's making).
    if (const std::string problem = PathProblem(path); !problem.empty())
        throw EAutostartError("Unable to start Corvalet at log-in from " + Printable(path) + ": " + problem);
    // Reserved characters need the argument quoted; inside quotes ", `, $ and \ are escaped.
    const bool quote = path.find_first_of(" \"'\\><~|&;$*?#()`") != std::string::npos;
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
    const std::string contents = Contents();
    if (!CreatePrivateFolders(std::filesystem::path(FilePath()).parent_path().string()) ||
        !ReplaceFileAtomically(FilePath(), contents))
        throw EAutostartError("Unable to write to " + FilePath());
}

void TAutostartEntry::Remove() const {
    std::error_code error;
    std::filesystem::remove(FilePath(), error);
    if (error)
        throw EAutostartError("Unable to write to " + FilePath());
}

} // namespace corvalet
