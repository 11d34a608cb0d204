#pragma once

#include "mime/EMailAddressItem.h"
#include "mime/HeaderList.h"
#include "mime/HeaderWords.h"
#include "mime/MessagePart.h"
#include "platform/Clock.h"
#include "platform/DateTime.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace corvalet {

enum class TNetMessagePriority { mpHighest, mpHigh, mpNormal, mpLow, mpLowest };
enum class TNetMessageEncoding { meMIME, meUU };

using TNetInitializeIsoEvent =
    std::function<void(TTransfer& transferHeader, char& headerEncoding, std::string& charSet)>;

// The message the mail job fills and the SMTP client sends: addresses, subject, parts, and the
// header block built from them.
class TNetMessage {
public:
    // The writer's fixed boundaries; announced in the header and written between the parts.
    static constexpr std::string_view MixedBoundary = "=_MoreStuf_2zzz1234sadvnqw3nerasdf";
    static constexpr std::string_view RelatedBoundary = "=_MoreStuf_2relzzzsadvnq1234w3nerasdf";
    static constexpr std::string_view AlternativeBoundary = "=_MoreStuf_2altzzz1234sadvnqw3nerasdf";

    // The boundaries one message is written with.
    struct TBoundaries {
        std::string Mixed;
        std::string Related;
        std::string Alternative;
    };

    explicit TNetMessage(const TClock& clock = SystemClock());
    virtual ~TNetMessage() = default;

    TNetEMailAddressItem From;
    TNetEMailAddressList Recipients;
    TNetEMailAddressList CCList;
    TNetEMailAddressList BccList; // for the envelope only, never written
    TNetEMailAddressList ReplyTo;
    TNetEMailAddressItem Sender;
    TNetEMailAddressItem ReceiptRecipient;
    std::string Subject;
    std::string Organization;
    std::string References;
    std::vector<std::string> NewsGroups;
    TNetMessagePriority Priority = TNetMessagePriority::mpNormal;
    // "<unique@domain>", written right after the date; empty: no such line.
    std::string MessageId;
    // The zero date (TDateTime{}) means "the time the header is built".
    TDateTime Date{};
    std::string ContentType;
    std::string CharSet;
    std::string ContentTransferEncoding;
    std::string ContentDisposition;
    std::vector<std::string> Body;
    TNetHeaderList ExtraHeaders;
    TNetHeaderList RawHeaders;
    bool NoEncode = false;
    bool NoDecode = false;
    bool DeleteTempFiles = false;
    TNetInitializeIsoEvent OnInitializeISO;
    TNetMessageParts Parts;

    // The user's language, which picks the kind of encoded words; taken from the locale.
    std::string HeaderLanguage;
    // The zone offset (minutes east of UTC) in force at a local time; the system's time zone.
    std::function<int(const TDateTime&)> ZoneOffset;

    bool UseNowForDate() const { return Date == TDateTime{}; }
    void SetUseNowForDate(bool value);

    TNetMessageEncoding Encoding() const { return MessageEncoding; }
    // Also sets the attachment encoding: "MIME" for meMIME, "UUE" for meUU.
    void SetEncoding(TNetMessageEncoding value);
    const std::string& AttachmentEncoding() const { return Parts.AttachmentEncoding(); }
    void SetAttachmentEncoding(std::string_view name) { Parts.SetAttachmentEncoding(name); }

    // The fixed boundaries; when a body line begins with "--" and one of them (the line would end a
    // part early), all three with the first of "_1", "_2", ... appended that no body line begins with.
    TBoundaries Boundaries() const;

    void TallyParts() { Parts.TallyParts(); }
    // Empties every field except the encodings, ready for the next mailing.
    virtual void Clear();
    // The header block, folded, ready to be written line by line. Sets `ContentType` for a MIME
    // message with parts. Throws before returning anything when a value cannot stand in a header.
    std::unique_ptr<TNetHeaderList> BuildHeaders();
    // Refuses (ENetUnsafeMessageText) header texts and addresses holding CR, LF or NUL, which would
    // let the rest of the text pose as further header lines.
    void CheckHeaderTexts() const;
    // The header charset for this message: the language's default, then OnInitializeISO.
    TNetHeaderCharset ChooseHeaderCharset();

protected:
    virtual void InitializeISO(TTransfer& transferHeader, char& headerEncoding, std::string& charSet);

private:
    void ClearHeader();
    void ClearBody();

    const TClock& Clock;
    TNetMessageEncoding MessageEncoding = TNetMessageEncoding::meMIME;
};

// "Name <address>" for a header: a name with control or non-ASCII bytes as encoded words, else in
// double quotes; the bare address when there is no name.
std::string RenderAddressItem(const TNetEMailAddressItem& item, const TNetHeaderCharset& charset);
// The items' renderings joined by ", ".
std::string RenderAddressList(const TNetEMailAddressList& list, const TNetHeaderCharset& charset);

} // namespace corvalet
