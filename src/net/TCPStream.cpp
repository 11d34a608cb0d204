#include "net/TCPStream.h"

#include <cstring>
#include <string>

#include "net/TCPConnection.h"

namespace corvalet {

std::size_t TNetTCPStream::Write(const void* data, std::size_t count) {
    Connection.WriteBytes(static_cast<const char*>(data), count);
    return count;
}

std::size_t TNetTCPStream::Read(void* buffer, std::size_t count) {
    const std::string bytes = Connection.ReadBytes(count);
    if (count > 0)
        std::memcpy(buffer, bytes.data(), count);
    return count;
}

long TNetTCPStream::Seek(long, int) {
    return -1;
}

} // namespace corvalet
