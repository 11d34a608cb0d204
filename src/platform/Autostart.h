#pragma once

#include <stdexcept>
#include <string>

namespace corvalet {

// Raised when the autostart entry cannot be written or removed ("Unable to write to <path>"), or
// cannot name the program ("Unable to start Corvalet at log-in from <program>: <reason>").
class EAutostartError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The desktop session's autostart entry, $XDG_CONFIG_HOME/autostart/corvalet.desktop, which
// starts the program at log-in with only its icon ("/HIDE").
class TAutostartEntry {
public:
    // `configHome` ends with "/"; `executable` is the program's full path.
    TAutostartEntry(std::string configHome, std::string executable);

    // The entry for this user and this program.
    static TAutostartEntry Current();

    std::string FilePath() const;
    bool IsPresent() const;
    // Writes the entry (and its folder when needed, for this user alone); the file is replaced in one
    // step, a new one readable by this user only.
    void Install() const;
    // Removes the entry; an entry that is not there is no error.
    void Remove() const;

    // The entry's text; raises EAutostartError as ExecArgument does.
    std::string Contents() const;
    // The program as the Exec key of a desktop entry writes it: quoted when it holds a character
    // the key reserves, with its escapes. A path that holds a control character (a TAB or a line
    // break too) or is not UTF-8 cannot stand in an entry: raises EAutostartError.
    static std::string ExecArgument(const std::string& path);

private:
    std::string ConfigHome;
    std::string Executable;
};

} // namespace corvalet
