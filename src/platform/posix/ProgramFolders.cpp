#include "platform/ProgramFolders.h"

#include "platform/ProgramFolder.h"
#include "platform/TextFile.h"

#include <cstdlib>
#include <filesystem>
#include <pwd.h>
#include <unistd.h>

namespace corvalet {

namespace {

constexpr const char* SettingsFileName = "Corvalet.ini";
constexpr const char* SettingsSubfolder = "corvalet/";

std::string WithSlash(std::string folder) {
    if (folder.empty() || folder.back() != '/')
        folder += '/';
    return folder;
}

std::string Variable(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

std::string AccountHome() {
    if (const passwd* account = ::getpwuid(::getuid()); account != nullptr && account->pw_dir != nullptr)
        return account->pw_dir;
    return "/";
}

// The help pages of a build or a portable folder stand beside the executable.
std::string HelpBesideProgram(const std::string& programFolder) {
    return programFolder + "help/";
}

std::string InstalledHelpFolder(const std::string& programFolder) {
    return WithSlash((std::filesystem::path(programFolder) / InstalledHelpFolderFromProgram())
                         .lexically_normal()
                         .string());
}

} // namespace

TFolderEnvironment TFolderEnvironment::Current() {
    TFolderEnvironment environment;
    environment.ConfigHome = Variable("XDG_CONFIG_HOME");
    environment.Home = Variable("HOME");
    if (environment.Home.empty())
        environment.Home = AccountHome();
    environment.CanWriteIn = [](const std::string& folder) {
        return ::access(folder.c_str(), W_OK | X_OK) == 0;
    };
    environment.Exists = [](const std::string& path) {
        std::error_code ignored;
        return std::filesystem::exists(path, ignored);
    };
    return environment;
}

std::string InstalledHelpFolderFromProgram() {
    return CORVALET_INSTALLED_HELP_FROM_PROGRAM;
}

std::string ConfigHome(const TFolderEnvironment& environment) {
    // A relative $XDG_CONFIG_HOME is invalid and ignored.
    if (!environment.ConfigHome.empty() && environment.ConfigHome.front() == '/')
        return WithSlash(environment.ConfigHome);
    return WithSlash(environment.Home) + ".config/";
}

TProgramFolders ResolveProgramFolders(const std::string& programFolder,
                                      const TFolderEnvironment& environment) {
    TProgramFolders folders;
    folders.Program = WithSlash(programFolder);
    const bool hasSettings = environment.Exists(folders.Program + SettingsFileName);
    // An installed program: its help pages in the data folder and none beside it.
    const bool installed = !environment.Exists(HelpBesideProgram(folders.Program)) &&
                           environment.Exists(InstalledHelpFolder(folders.Program));
    folders.Portable = hasSettings || (!installed && environment.CanWriteIn(folders.Program));
    folders.Settings = folders.Portable ? folders.Program : ConfigHome(environment) + SettingsSubfolder;
    // The help pages that are there, beside the program first; when there are none, where they
    // belong.
    const std::string beside = HelpBesideProgram(folders.Program);
    const std::string inData = InstalledHelpFolder(folders.Program);
    if (environment.Exists(beside))
        folders.Help = beside;
    else if (environment.Exists(inData))
        folders.Help = inData;
    else
        folders.Help = folders.Portable ? beside : inData;
    return folders;
}

const TProgramFolders& ProgramFolders() {
    static const TProgramFolders folders =
        ResolveProgramFolders(ExecutableFolder(), TFolderEnvironment::Current());
    return folders;
}

bool EnsureSettingsFolder(const TProgramFolders& folders) {
    return CreatePrivateFolders(folders.Settings);
}

} // namespace corvalet
