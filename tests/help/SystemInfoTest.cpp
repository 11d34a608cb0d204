#include "help/SystemInfo.h"

#include <gtest/gtest.h>

#include <regex>

namespace corvalet {
namespace {

TEST(SystemInfoTest, MemoryIsShownInWholeKilobytesInGroupsOfThree) {
    const std::pair<std::uint64_t, const char*> cases[] = {
        {0, "0 KB"},
        {1023, "0 KB"},
        {1024, "1 KB"},
        {999 * 1024, "999 KB"},
        {1048576 + 1023, "1 024 KB"},
        {20395290624ull, "19 917 276 KB"},
        {17179869184ull, "16 777 216 KB"}, // 16 GiB: past 32 bits
    };
    for (const auto& [bytes, text] : cases)
        EXPECT_EQ(FormatMemoryText(bytes), text) << bytes;
}

TEST(SystemInfoTest, ProcessorNameFromCpuInfo) {
    const std::pair<const char*, const char*> cases[] = {
        {"processor\t: 0\nvendor_id\t: GenuineIntel\nmodel name\t: Intel(R) Core(TM)  i5-8250U CPU @ "
         "1.60GHz\n"
         "processor\t: 1\nmodel name\t: Intel(R) Core(TM) i5-8250U CPU @ 1.60GHz\n",
         "Intel(R) Core(TM) i5-8250U CPU @ 1.60GHz"},
        {"processor\t: 0\nBogoMIPS\t: 108.00\nHardware\t: BCM2835\n", "BCM2835"},
        {"Processor\t: ARMv7 Processor rev 4 (v7l)\nHardware\t: BCM2709\n", "ARMv7 Processor rev 4 (v7l)"},
        {"model name\t:   \ncpu model\t: MIPS 24Kc V7.4\n", "MIPS 24Kc V7.4"},
        {"processor\t: 0\nflags\t: fpu vme\n", ""},
        {"", ""},
    };
    for (const auto& [text, name] : cases)
        EXPECT_EQ(ProcessorNameFromCpuInfo(text), name) << text;
}

TEST(SystemInfoTest, CurrentMachine) {
    const auto info = TSystemInfo::Current();
    EXPECT_GT(info.FreePhysicalMemory, 0u);
    EXPECT_TRUE(info.Platform.starts_with("Linux ")) << info.Platform;
    EXPECT_FALSE(info.Processor.empty());
    EXPECT_EQ(OperatingSystemName(), "Linux");
    EXPECT_TRUE(std::regex_match(FormatMemoryText(info.FreePhysicalMemory), std::regex(R"(\d{1,3}( \d{3})* KB)")));
}

} // namespace
} // namespace corvalet
