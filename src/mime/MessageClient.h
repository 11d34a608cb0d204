#pragma once

#include "mime/Message.h"
#include "mime/MessageSink.h"

#include <cstddef>
#include <string_view>

namespace corvalet {

// Writes a message: the header block, the MIME body with its fixed boundaries, the text lines with
// leading full stops doubled (so no line can end the SMTP data early) and the attachments in base64,
// read from their files as they are written.
class TNetMessageClient {
public:
    explicit TNetMessageClient(TNetMessageSink& sink) : Sink(sink) {}
    virtual ~TNetMessageClient() = default;
    TNetMessageClient(const TNetMessageClient&) = delete;
    TNetMessageClient& operator=(const TNetMessageClient&) = delete;

    // Size of the blocks a whole message is gathered into before it is passed to the sink; 0 passes
    // every line on at once.
    std::size_t SendBufferSize = TNetGatheringSink::DefaultBlockSize;
    // Bytes written after the whole message through the same gathering, so that they leave with
    // its last block (a mail session's end-of-data line: on its own, a small write after a large
    // one waits for the server's delayed acknowledgement).
    std::string Trailer;

    // Refuses, before anything is written, a message that cannot be written whole: header texts,
    // addresses, file names or lines holding line breaks, attachment files that cannot be opened.
    static void CheckMessage(const TNetMessage& message);

    // The whole message; with `headersOnly` the header block and its empty line only.
    virtual void EmitMessage(TNetMessage& message, bool headersOnly = false);
    virtual void EmitHeader(TNetMessage& message);
    virtual void EmitBody(TNetMessage& message);
    virtual void EmitPlainBody(TNetMessage& message);
    void EmitTextPart(TNetText& part);

protected:
    TNetMessageSink& Output() { return Current != nullptr ? *Current : Sink; }

private:
    void EmitMimeBody(TNetMessage& message);
    void EmitUUBody(TNetMessage& message);
    void EmitAlternativeTexts(TNetMessage& message, std::string_view boundary, bool nested);
    void EmitAttachment(TNetMessage& message, TNetAttachment& part, std::string_view boundary);
    void EmitAttachmentContent(TNetMessage& message, TNetAttachment& part);
    void WriteBodyLine(std::string_view line);

    TNetMessageSink& Sink;
    TNetMessageSink* Current = nullptr;
};

} // namespace corvalet
