#pragma once

#include <cstdint>
#include <string>

namespace corvalet {

// The facts about the machine that the About box shows.
struct TSystemInfo {
    std::uint64_t FreePhysicalMemory = 0; // bytes
    std::string Platform;                 // for example "Linux 6.1.0-18-amd64 (x86_64)"
    std::string Processor;                // for example "Intel(R) Core(TM) i5-8250U CPU @ 1.60GHz"

    // The running machine's facts.
    static TSystemInfo Current();
};

// The name of the operating system the program runs on, as the About box names it.
std::string OperatingSystemName();

// Free memory as the About box shows it: whole kilobytes (bytes divided by 1024) and " KB".
std::string FormatMemoryText(std::uint64_t bytes);

// The processor's name from the text of /proc/cpuinfo ("model name", else "Processor", "cpu model"
// or "Hardware"), with runs of blanks made single; empty when the text names none.
std::string ProcessorNameFromCpuInfo(const std::string& cpuInfo);

} // namespace corvalet
