#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace corvalet {

// Where the message writer puts a message: the TCP connection while sending, memory in tests.
class TNetMessageSink {
public:
    virtual ~TNetMessageSink() = default;

    // Writes the text followed by CR LF; an empty text gives an empty line.
    virtual void WriteLine(std::string_view text);
    // Writes the bytes as they are.
    virtual void WriteText(std::string_view bytes) = 0;
    // Progress notifications for whoever watches the connection.
    virtual void Status(std::string_view /*text*/) {}
    virtual void BeginWork() {}
    virtual void EndWork() {}
};

// Collects everything written into blocks of a fixed size and passes on whole blocks only (the last
// one with Flush). One send per 76-character base64 line would make large attachments slow; the
// bytes passed on are exactly those written. Notifications pass straight through.
class TNetGatheringSink final : public TNetMessageSink {
public:
    static constexpr std::size_t DefaultBlockSize = 32768;

    explicit TNetGatheringSink(TNetMessageSink& next, std::size_t blockSize = DefaultBlockSize);

    void WriteLine(std::string_view text) override;
    void WriteText(std::string_view bytes) override;
    void Status(std::string_view text) override { Next.Status(text); }
    void BeginWork() override { Next.BeginWork(); }
    void EndWork() override { Next.EndWork(); }

    // Passes on what is still collected.
    void Flush();
    // Passes on what is still collected with `bytes` after it, in one write even when the block is
    // full: the end of what is written never leaves on its own.
    void FlushWith(std::string_view bytes);

private:
    TNetMessageSink& Next;
    std::size_t BlockSize;
    std::string Block;
};

} // namespace corvalet
