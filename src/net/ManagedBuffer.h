#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace corvalet {

// Received bytes not yet consumed. Consuming advances a read offset; the unread bytes move to the
// front only when 32,768 consumed bytes have piled up or everything was read, so reading many
// short lines moves little memory.
class TNetManagedBuffer {
public:
    static constexpr std::size_t CompactThreshold = 32768;

    // The number of unread bytes and the first of them.
    std::size_t Size() const { return Block.size() - ReadOffset; }
    const char* Data() const { return Block.data() + ReadOffset; }
    bool Empty() const { return Size() == 0; }
    // How far the read offset stands from the front of the block.
    std::size_t Offset() const { return ReadOffset; }

    void Append(const char* data, std::size_t count);
    // Consumes `count` unread bytes; raises ENetNotEnoughDataInBuffer when fewer are there.
    void Remove(std::size_t count);
    // Consumes `count` unread bytes and returns them.
    std::string Extract(std::size_t count);
    void Clear();

    // Told of every removal with the number of bytes consumed.
    std::function<void(std::size_t count)> OnRemoved;

private:
    std::vector<char> Block;
    std::size_t ReadOffset = 0;
};

} // namespace corvalet
