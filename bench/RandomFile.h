#pragma once

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <string>

namespace corvalet::bench {

// Writes `size` bytes of fast pseudo-random data: attachments that base64 cannot shortcut.
inline void WriteRandomFile(const std::string& path, std::uint64_t size) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    std::string block(1 << 20, '\0');
    std::uint64_t state = 0x9E3779B97F4A7C15ull;
    for (std::uint64_t written = 0; written < size;) {
        for (std::size_t i = 0; i + 8 <= block.size(); i += 8) {
            state ^= state << 13;
            state ^= state >> 7;
            state ^= state << 17;
            std::copy_n(reinterpret_cast<const char*>(&state), 8, block.data() + i);
        }
        const std::uint64_t take = std::min<std::uint64_t>(block.size(), size - written);
        out.write(block.data(), static_cast<std::streamsize>(take));
        written += take;
    }
}

} // namespace corvalet::bench
