#pragma once

#include <cstddef>
#include <functional>
#include <string>

#include "net/IOHandler.h"

namespace corvalet::fuzz {

// An I/O handler without a socket: what the peer "sends" comes from a script, in pieces of the
// script's choosing, and what the client writes is recorded. A wait with nothing left to hand out
// ends as a time-out, so that every read of a fuzz input ends.
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
        return static_cast<long>(count);
    }
    long SendBytes(const char* data, std::size_t size) override {
        Written.append(data, size);
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
    std::function<void(TScriptedHandler&)> OnWritten;

private:
    bool Open_ = true;
};

} // namespace corvalet::fuzz
