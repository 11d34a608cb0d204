#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace corvalet {

// Bytes read from the start onward: a string or a file.
class TNetSourceStream {
public:
    virtual ~TNetSourceStream() = default;
    // Reads up to `count` bytes; fewer only at the end. Read failures throw.
    virtual std::size_t Read(char* buffer, std::size_t count) = 0;
    // Back to the first byte.
    virtual void Rewind() = 0;
};

class TNetStringSource final : public TNetSourceStream {
public:
    explicit TNetStringSource(std::string_view bytes) : Bytes(bytes) {}
    std::size_t Read(char* buffer, std::size_t count) override;
    void Rewind() override { Position = 0; }

private:
    std::string_view Bytes;
    std::size_t Position = 0;
};

// A file opened read-only for the life of the object. Opening or reading fails with
// ENetAttachmentFileError "Cannot open file "<path>". <reason>" or "Cannot read file ...".
class TNetFileSource final : public TNetSourceStream {
public:
    explicit TNetFileSource(const std::string& path);
    ~TNetFileSource() override;
    TNetFileSource(const TNetFileSource&) = delete;
    TNetFileSource& operator=(const TNetFileSource&) = delete;

    std::size_t Read(char* buffer, std::size_t count) override;
    void Rewind() override;

private:
    std::string Path;
    int Handle = -1;
};

} // namespace corvalet
