#pragma once

#include <cstdlib>
#include <fstream>
#include <string>

namespace corvalet::bench {

// Peak resident memory of this process so far, in kB (-1 when the system does not say).
inline long PeakKilobytes() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0)
            return std::atol(line.c_str() + 6);
    return -1;
}

} // namespace corvalet::bench
