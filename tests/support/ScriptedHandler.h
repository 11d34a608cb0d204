#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "net/IOHandler.h"

namespace corvalet::test {

// An I/O handler without a socket: what the peer "sends" comes from a script, in pieces of the
// script's choosing, and what the client writes is recorded, each write and each read in the order
// they happened. A wait with nothing left to hand out ends as a time-out (or as the peer's close),
// so that every read of a fuzz input ends.
class TScriptedHandler final : public TNetIOHandler {
public:
    void Close() override { Open_ = false; }
    void ConnectTo(const std::string&, int, int, const TNetLocalBinding&) override { Open_ = true; }
    bool IsOpen() const override { return Open_; }
    void Open() override { Open_ = true; }
    bool WaitReadable(int) override { return Position < Input.size() || EndWithClose; }
    bool WaitWritable(int) override { return true; }
    long ReceiveBytes(char* buffer, std::size_t size) override {
        std::size_t count = Input.size() - Position;
        if (count > size)
            count = size;
        if (count > PieceSize)
            count = PieceSize;
        for (std::size_t i = 0; i < count; ++i)
            buffer[i] = Input[Position + i];
        Position += count;
        if (count > 0)
            Transcript.push_back({false, std::string(buffer, count)});
        return static_cast<long>(count);
    }
    long SendBytes(const char* data, std::size_t size) override {
        Written.append(data, size);
        Transcript.push_back({true, std::string(data, size)});
        if (OnWritten)
            OnWritten(*this);
        return static_cast<long>(size);
    }

    // Appends bytes for the client to read.
    void Feed(const std::string& bytes) { Input += bytes; }

    std::string Input;
    std::size_t Position = 0;
    // The most one receive hands out, so that line ends are cut in two.
    std::size_t PieceSize = 7;
    // Once the input is used up: the peer closes (true) or stays silent (false).
    bool EndWithClose = true;
    std::string Written;
    // One entry per write (Write) or per piece handed out to the client.
    struct TEvent {
        bool Write;
        std::string Bytes;
    };
    std::vector<TEvent> Transcript;
    // The bytes of each write, in order.
    std::vector<std::string> Writes() const {
        std::vector<std::string> writes;
        for (const TEvent& event : Transcript) {
            if (event.Write)
                writes.push_back(event.Bytes);
        }
        return writes;
    }
    std::function<void(TScriptedHandler&)> OnWritten;

private:
    bool Open_ = true;
};

} // namespace corvalet::test
