#include "mime/MessageSink.h"

#include <algorithm>

namespace corvalet {

void TNetMessageSink::WriteLine(std::string_view text) {
    std::string line;
    line.reserve(text.size() + 2);
    line.append(text).append("\r\n");
    WriteText(line);
}

TNetGatheringSink::TNetGatheringSink(TNetMessageSink& next, std::size_t blockSize)
    : Next(next), BlockSize(std::max<std::size_t>(blockSize, 1)) {
    Block.reserve(BlockSize);
}

void TNetGatheringSink::WriteLine(std::string_view text) {
    WriteText(text);
    WriteText("\r\n");
}

// A full block waits for the next bytes before it is passed on, so that the last block is still
// here when the end of the writing comes (see FlushWith).
void TNetGatheringSink::WriteText(std::string_view bytes) {
    while (!bytes.empty()) {
        if (Block.size() == BlockSize) {
            Next.WriteText(Block);
            Block.clear();
        }
        const std::size_t take = std::min(BlockSize - Block.size(), bytes.size());
        Block.append(bytes.substr(0, take));
        bytes.remove_prefix(take);
    }
}

void TNetGatheringSink::FlushWith(std::string_view bytes) {
    Block.append(bytes);
    Flush();
}

void TNetGatheringSink::Flush() {
    if (!Block.empty()) {
        Next.WriteText(Block);
        Block.clear();
    }
}

} // namespace corvalet
