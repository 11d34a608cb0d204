#pragma once

#include <string>

namespace corvalet {

// The folder that holds the running executable, ending with "/".
std::string ExecutableFolder();

} // namespace corvalet
