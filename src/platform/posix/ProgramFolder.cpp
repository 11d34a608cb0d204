#include "platform/ProgramFolder.h"

#include <filesystem>
#include <system_error>

namespace corvalet {

std::string ExecutableFolder() {
    std::error_code error;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
    std::filesystem::path folder = error ? std::filesystem::current_path(error) : exe.parent_path();
    std::string text = folder.string();
    if (text.empty() || text.back() != '/')
        text += '/';
    return text;
}

} // namespace corvalet
