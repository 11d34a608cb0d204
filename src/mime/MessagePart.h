#pragma once

#include "mime/HeaderList.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace corvalet {

class TNetMessageEncoderInfo;

// One part of a message body. Its properties live in its own header lines, so what the writer fills
// in as defaults stays with the part. Only the text and attachment kinds below can be made.
class TNetMessagePart {
public:
    virtual ~TNetMessagePart() = default;

    std::string ContentType() const { return Headers.GetHeaderValue("Content-Type"); }
    void SetContentType(std::string_view value) { Headers.SetHeaderValue("Content-Type", value); }
    std::string ContentTransfer() const { return Headers.GetHeaderValue("Content-Transfer-Encoding"); }
    void SetContentTransfer(std::string_view value) {
        Headers.SetHeaderValue("Content-Transfer-Encoding", value);
    }
    std::string ContentID() const { return Headers.GetHeaderValue("Content-ID"); }
    void SetContentID(std::string_view value) { Headers.SetHeaderValue("Content-ID", value); }

    TNetHeaderList Headers;
    TNetHeaderList ExtraHeaders;

protected:
    TNetMessagePart() = default;
};

// A text part: its lines are written as they stand ("7bit") or quoted-printable.
class TNetText final : public TNetMessagePart {
public:
    TNetText() = default;
    explicit TNetText(std::vector<std::string> body) : Body(std::move(body)) {}

    std::vector<std::string> Body;
};

// A file sent with the message, read from `SourcePath` when the message is written.
class TNetAttachment final : public TNetMessagePart {
public:
    explicit TNetAttachment(std::string sourcePath);

    const std::string& SourcePath() const { return Path; }
    // The path's file-name part, as announced in the part's header.
    std::string FileName;

    std::string ContentDisposition() const { return Headers.GetHeaderValue("Content-Disposition"); }
    void SetContentDisposition(std::string_view value) {
        Headers.SetHeaderValue("Content-Disposition", value);
    }

private:
    std::string Path;
};

// The parts of a message in the order they were added, the name of the attachment encoder, and the
// counters of the last tally.
class TNetMessageParts {
public:
    TNetMessageParts();

    std::size_t Count() const { return Items.size(); }
    bool Empty() const { return Items.empty(); }
    TNetMessagePart& operator[](std::size_t index) { return *Items[index]; }
    const TNetMessagePart& operator[](std::size_t index) const { return *Items[index]; }
    auto begin() const { return Items.begin(); }
    auto end() const { return Items.end(); }
    void Clear() { Items.clear(); }

    TNetText& AddText(std::vector<std::string> body = {});
    TNetAttachment& AddAttachment(std::string sourcePath);

    const std::string& AttachmentEncoding() const { return EncodingName; }
    // Throws ENetEncoderException "Message encoder not found: <name>" for an unknown name, keeping
    // the previous one.
    void SetAttachmentEncoding(std::string_view name);
    const TNetMessageEncoderInfo& EncoderInfo() const { return *Encoder; }

    // Recounts the text parts, the attachments and the attachments with a content id.
    void TallyParts();
    int TextTotal() const { return Texts; }
    int AttachmentTotal() const { return Attachments; }
    int RelatedTotal() const { return Related; }

private:
    std::vector<std::unique_ptr<TNetMessagePart>> Items;
    std::string EncodingName;
    const TNetMessageEncoderInfo* Encoder = nullptr;
    int Texts = 0;
    int Attachments = 0;
    int Related = 0;
};

} // namespace corvalet
