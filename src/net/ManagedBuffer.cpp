#include "net/ManagedBuffer.h"

#include "net/Exceptions.h"

namespace corvalet {

void TNetManagedBuffer::Append(const char* data, std::size_t count) {
    Block.insert(Block.end(), data, data + count);
}

void TNetManagedBuffer::Remove(std::size_t count) {
    if (count > Size())
        throw ENetNotEnoughDataInBuffer();
    if (count == 0)
        return;
    ReadOffset += count;
    if (ReadOffset == Block.size()) {
        Block.clear();
        ReadOffset = 0;
    } else if (ReadOffset >= CompactThreshold) {
        Block.erase(Block.begin(), Block.begin() + static_cast<std::ptrdiff_t>(ReadOffset));
        ReadOffset = 0;
    }
    if (OnRemoved)
        OnRemoved(count);
}

std::string TNetManagedBuffer::Extract(std::size_t count) {
    if (count > Size())
        throw ENetNotEnoughDataInBuffer();
    std::string bytes(Data(), count);
    Remove(count);
    return bytes;
}

void TNetManagedBuffer::Clear() {
    Block.clear();
    ReadOffset = 0;
}

} // namespace corvalet
