#include "help/SystemInfo.h"

#include "platform/TextFile.h"

#include <sys/sysinfo.h>
#include <sys/utsname.h>

namespace corvalet {

std::string OperatingSystemName() {
    utsname names{};
    if (uname(&names) != 0)
        return "Linux";
    return names.sysname;
}

TSystemInfo TSystemInfo::Current() {
    TSystemInfo info;
    struct sysinfo memory {};
    if (sysinfo(&memory) == 0)
        info.FreePhysicalMemory = static_cast<std::uint64_t>(memory.freeram) * memory.mem_unit;

    utsname names{};
    if (uname(&names) == 0) {
        info.Platform = std::string(names.sysname) + " " + names.release + " (" + names.machine + ")";
        info.Processor = names.machine;
    }
    std::string cpuInfo;
    if (ReadFileBytes("/proc/cpuinfo", cpuInfo)) {
        if (std::string name = ProcessorNameFromCpuInfo(cpuInfo); !name.empty())
            info.Processor = std::move(name);
    }
    return info;
}

} // namespace corvalet
