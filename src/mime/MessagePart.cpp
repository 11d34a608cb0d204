#include "mime/MessagePart.h"

#include "mime/MessageEncoder.h"

namespace corvalet {

TNetAttachment::TNetAttachment(std::string sourcePath) : Path(std::move(sourcePath)) {
    FileName = Path.substr(Path.rfind('/') + 1);
}

TNetMessageParts::TNetMessageParts() {
    SetAttachmentEncoding("MIME");
}

TNetText& TNetMessageParts::AddText(std::vector<std::string> body) {
    auto part = std::make_unique<TNetText>(std::move(body));
    TNetText& added = *part;
    Items.push_back(std::move(part));
    return added;
}

TNetAttachment& TNetMessageParts::AddAttachment(std::string sourcePath) {
    auto part = std::make_unique<TNetAttachment>(std::move(sourcePath));
    TNetAttachment& added = *part;
    Items.push_back(std::move(part));
    return added;
}

void TNetMessageParts::SetAttachmentEncoding(std::string_view name) {
    Encoder = &TNetMessageEncoderList::ByName(name);
    EncodingName = name;
}

void TNetMessageParts::TallyParts() {
    Texts = Attachments = Related = 0;
    for (const auto& part : Items) {
        if (dynamic_cast<const TNetText*>(part.get()) != nullptr) {
            ++Texts;
        } else if (dynamic_cast<const TNetAttachment*>(part.get()) != nullptr) {
            ++Attachments;
            if (!part->ContentID().empty())
                ++Related;
        }
    }
}

} // namespace corvalet
