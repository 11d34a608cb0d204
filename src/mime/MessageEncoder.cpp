#include "mime/MessageEncoder.h"

#include "mime/Encoder.h"
#include "mime/Message.h"
#include "mime/MessageExceptions.h"
#include "mime/MimeText.h"

#include <utility>
#include <vector>

namespace corvalet {

namespace {

using TEntries = std::vector<std::pair<std::string, std::unique_ptr<TNetMessageEncoderInfo>>>;

template <typename TEncoder> class TPlainEncoderInfo final : public TNetMessageEncoderInfo {
public:
    std::unique_ptr<TNetMessageEncoder> CreateEncoder() const override {
        return std::make_unique<TEncoder>();
    }
};

TEntries& Entries() {
    static TEntries entries = [] {
        TEntries initial;
        initial.emplace_back("MIME", std::make_unique<TNetMessageEncoderInfoMIME>());
        initial.emplace_back("UUE", std::make_unique<TPlainEncoderInfo<TNetMessageEncoderUUE>>());
        initial.emplace_back("XXE", std::make_unique<TPlainEncoderInfo<TNetMessageEncoderXXE>>());
        return initial;
    }();
    return entries;
}

} // namespace

void TNetMessageEncoderMIME::Encode(TNetSourceStream& source, TNetMessageSink& destination) {
    static constexpr std::size_t BatchBytes = BytesPerLine * LinesPerBatch;
    static constexpr std::size_t LineLength = TNetEncoder3to4::EncodedSize(BytesPerLine) + 2;
    TNetEncoderMIME base64;
    std::string block(BatchBytes, '\0');
    std::string lines(LinesPerBatch * LineLength, '\0');
    source.Rewind();
    for (;;) {
        const std::size_t got = source.Read(block.data(), BatchBytes);
        if (got == 0)
            break;
        char* out = lines.data();
        for (std::size_t at = 0; at < got; at += BytesPerLine) {
            out += base64.EncodeTo(block.data() + at, std::min(BytesPerLine, got - at), out);
            *out++ = '\r';
            *out++ = '\n';
        }
        destination.WriteText(std::string_view(lines.data(), static_cast<std::size_t>(out - lines.data())));
        if (got < BatchBytes)
            break;
    }
}

TNetMessageEncoderUUE::TNetMessageEncoderUUE()
    : TNetMessageEncoderUUE("`!\"#$%&'()*+,-./0123456789:;<=>?@ABCDEFGHIJKLMNOPQRSTUVWXYZ[\\]^_") {}

TNetMessageEncoderXXE::TNetMessageEncoderXXE()
    : TNetMessageEncoderUUE("+-0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz") {}

void TNetMessageEncoderUUE::Encode(TNetSourceStream& source, TNetMessageSink& destination) {
    static constexpr std::size_t LineBytes = 45;
    TNetEncoder3to4 encoder(Table, Table[0]);
    destination.WriteLine("begin 644 " + FileName);
    source.Rewind();
    char block[LineBytes];
    for (;;) {
        std::size_t got = source.Read(block, LineBytes);
        if (got == 0)
            break;
        std::string line(1, Table[got]);
        while (got % 3 != 0)
            block[got++] = '\0'; // the last group is filled with zero bits, not fill characters
        encoder.EncodeBytes(block, got, line);
        destination.WriteLine(line);
    }
    destination.WriteLine(std::string(1, Table[0]));
    destination.WriteLine("end");
}

std::unique_ptr<TNetMessageEncoder> TNetMessageEncoderInfoMIME::CreateEncoder() const {
    return std::make_unique<TNetMessageEncoderMIME>();
}

void TNetMessageEncoderInfoMIME::InitializeHeaders(TNetMessage& message) const {
    const TNetMessageParts& parts = message.Parts;
    if (parts.RelatedTotal() < 1 && parts.AttachmentTotal() < 1 && parts.TextTotal() < 1)
        return;
    const TNetMessage::TBoundaries boundaries = message.Boundaries();
    if (parts.RelatedTotal() > 0)
        message.ContentType =
            "multipart/related; type=\"multipart/alternative\"; boundary=\"" + boundaries.Related + "\"";
    else if (parts.AttachmentTotal() > 0)
        message.ContentType = "multipart/mixed; boundary=\"" + boundaries.Mixed + "\"";
    else
        message.ContentType = "multipart/alternative; boundary=\"" + boundaries.Mixed + "\"";
}

const TNetMessageEncoderInfo& TNetMessageEncoderList::ByName(std::string_view name) {
    for (const auto& [entryName, info] : Entries())
        if (mime::SameText(entryName, name))
            return *info;
    throw ENetEncoderException("Message encoder not found: " + std::string(name));
}

void TNetMessageEncoderList::Add(std::string name, std::unique_ptr<TNetMessageEncoderInfo> info) {
    Entries().emplace_back(std::move(name), std::move(info));
}

} // namespace corvalet
