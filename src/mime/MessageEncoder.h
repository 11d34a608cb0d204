#pragma once

#include "mime/MessageSink.h"
#include "mime/SourceStream.h"

#include <memory>
#include <string>
#include <string_view>

namespace corvalet {

class TNetMessage;

// Writes a whole attachment in its encoded form.
class TNetMessageEncoder {
public:
    virtual ~TNetMessageEncoder() = default;
    // Encodes `source` from its first byte to its end onto `destination`.
    virtual void Encode(TNetSourceStream& source, TNetMessageSink& destination) = 0;

    // The name of the encoded file, for encodings that carry it.
    std::string FileName;
};

// Base64 lines of 76 characters (57 bytes each), the last one shorter; nothing for an empty source.
// The file is read a few hundred lines at a time and each batch is written at once, so memory stays
// the same whatever the file's size.
class TNetMessageEncoderMIME final : public TNetMessageEncoder {
public:
    static constexpr std::size_t BytesPerLine = 57;
    static constexpr std::size_t LinesPerBatch = 512;

    void Encode(TNetSourceStream& source, TNetMessageSink& destination) override;
};

// The classic "begin ... end" line encodings for the "UUE" and "XXE" entries: 45 bytes per line, a
// leading length character, zero-filled last group.
class TNetMessageEncoderUUE : public TNetMessageEncoder {
public:
    TNetMessageEncoderUUE();
    void Encode(TNetSourceStream& source, TNetMessageSink& destination) override;

protected:
    explicit TNetMessageEncoderUUE(std::string_view codingTable) : Table(codingTable) {}

private:
    std::string Table;
};

class TNetMessageEncoderXXE final : public TNetMessageEncoderUUE {
public:
    TNetMessageEncoderXXE();
};

// An entry of the encoder list: creates its encoder, and may set the content type of a message about
// to get its header built.
class TNetMessageEncoderInfo {
public:
    virtual ~TNetMessageEncoderInfo() = default;
    virtual std::unique_ptr<TNetMessageEncoder> CreateEncoder() const = 0;
    virtual void InitializeHeaders(TNetMessage& /*message*/) const {}
};

// "MIME": base64 attachments and the multipart content type with the writer's fixed boundaries.
class TNetMessageEncoderInfoMIME final : public TNetMessageEncoderInfo {
public:
    std::unique_ptr<TNetMessageEncoder> CreateEncoder() const override;
    void InitializeHeaders(TNetMessage& message) const override;
};

// The program's one list of attachment encoders by name ("MIME", "UUE", "XXE"); names compare
// without regard to case.
class TNetMessageEncoderList {
public:
    // Throws ENetEncoderException "Message encoder not found: <name>" when no entry has the name.
    static const TNetMessageEncoderInfo& ByName(std::string_view name);
    static void Add(std::string name, std::unique_ptr<TNetMessageEncoderInfo> info);
};

} // namespace corvalet
