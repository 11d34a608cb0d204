#pragma once

#include <cstddef>

namespace corvalet {

class TNetTCPConnection;

// A stream view of a connection for writers of encoded content: writing sends the bytes, reading
// waits until the asked number of bytes has arrived, and the stream cannot seek.
class TNetTCPStream {
public:
    explicit TNetTCPStream(TNetTCPConnection& connection) : Connection(connection) {}

    // Writes all `count` bytes and returns count.
    std::size_t Write(const void* data, std::size_t count);
    // Fills `buffer` with exactly `count` bytes and returns count.
    std::size_t Read(void* buffer, std::size_t count);
    // Always -1.
    long Seek(long offset, int origin);

private:
    TNetTCPConnection& Connection;
};

} // namespace corvalet
