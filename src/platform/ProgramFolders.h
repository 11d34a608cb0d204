#pragma once

#include <functional>
#include <string>

namespace corvalet {

// Where the program keeps its settings, its default log and relative file names, and where it
// finds its help pages. Every folder ends with "/".
struct TProgramFolders {
    // The folder of the executable.
    std::string Program;
    // The folder of Corvalet.ini and of the default Corvalet.log; relative names in the settings
    // (body file, attachment, log file) are taken from it.
    std::string Settings;
    // The folder of the help pages.
    std::string Help;
    // True when the settings live beside the executable.
    bool Portable = true;
};

// What the folders are chosen from: the environment and the file system, so that tests can state
// both.
struct TFolderEnvironment {
    std::string ConfigHome; // $XDG_CONFIG_HOME as set, possibly empty
    std::string Home;       // $HOME, or the account's home folder
    // Whether a new file could be made in the folder.
    std::function<bool(const std::string& folder)> CanWriteIn;
    // Whether the path names an existing file or folder.
    std::function<bool(const std::string& path)> Exists;

    // The real environment of this process.
    static TFolderEnvironment Current();
};

// The help pages of an installed program, relative to the folder of its executable
// ("../share/corvalet/help/" for an installation under one prefix).
std::string InstalledHelpFolderFromProgram();

// The user's configuration folder: $XDG_CONFIG_HOME when it is an absolute path, otherwise
// ~/.config; ends with "/".
std::string ConfigHome(const TFolderEnvironment& environment);

// The settings stay beside the executable (portable use, as a folder with the program and its
// Corvalet.ini, or a build) when that folder holds a Corvalet.ini, or when it can be written and
// is not an installed program's folder (help pages under ../share/corvalet/help and none beside
// it: even the administrator's settings do not belong in the system's program folder).
// Otherwise they live in the user's configuration folder, $XDG_CONFIG_HOME/corvalet/, and the
// help pages come from the installed data folder.
TProgramFolders ResolveProgramFolders(const std::string& programFolder,
                                      const TFolderEnvironment& environment);

// The folders of this process, chosen once.
const TProgramFolders& ProgramFolders();

// Makes the settings folder when it does not exist yet, and the folders above it that are missing
// (only the user may enter the ones it makes). Returns false when it cannot be made.
bool EnsureSettingsFolder(const TProgramFolders& folders);

} // namespace corvalet
