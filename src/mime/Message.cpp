#include "mime/Message.h"

#include "mime/InternetDate.h"
#include "mime/MessageEncoder.h"
#include "mime/MessageExceptions.h"
#include "mime/MimeText.h"

#include <algorithm>

namespace corvalet {

namespace {

constexpr std::string_view AddressNameSpecials = "()<>[]@,;:\\.\"";
// A continuation line holds its leading blank and at most 997 more characters.
constexpr std::size_t MaxQuotedNameLength = 998;

std::string CommaText(const std::vector<std::string>& items) {
    std::string text;
    for (const std::string& item : items) {
        if (!text.empty())
            text += ',';
        const bool quote = item.empty() || item.find_first_of(",\"") != std::string::npos ||
                           std::any_of(item.begin(), item.end(),
                                       [](char c) { return static_cast<unsigned char>(c) <= ' '; });
        if (!quote) {
            text += item;
            continue;
        }
        text += '"';
        for (char c : item) {
            if (c == '"')
                text += '"';
            text += c;
        }
        text += '"';
    }
    return text;
}

void RequireOneLineAddress(const TNetEMailAddressItem& item, const std::string& where) {
    mime::RequireOneLine(item.Address, "The address of " + where);
    mime::RequireOneLine(item.Name, "The name of " + where);
}

void RequireOneLineAddresses(const TNetEMailAddressList& list, const std::string& where) {
    for (const TNetEMailAddressItem& item : list)
        RequireOneLineAddress(item, where);
}

void RequireOneLineLines(const TNetHeaderList& lines, const std::string& where) {
    for (const std::string& line : lines.AllLines())
        mime::RequireOneLine(line, where);
}

} // namespace

TNetMessage::TNetMessage(const TClock& clock)
    : HeaderLanguage(LocaleLanguage()), ZoneOffset(LocalUtcOffset), Clock(clock) {}

void TNetMessage::SetUseNowForDate(bool value) {
    if (value)
        Date = TDateTime{};
    else if (UseNowForDate())
        Date = Clock.Now();
}

void TNetMessage::SetEncoding(TNetMessageEncoding value) {
    SetAttachmentEncoding(value == TNetMessageEncoding::meMIME ? "MIME" : "UUE");
    MessageEncoding = value;
}

void TNetMessage::Clear() {
    ClearHeader();
    ClearBody();
}

void TNetMessage::ClearHeader() {
    CCList.Clear();
    BccList.Clear();
    Recipients.Clear();
    ReplyTo.Clear();
    NewsGroups.clear();
    Date = TDateTime{};
    From = Sender = ReceiptRecipient = TNetEMailAddressItem{};
    Organization.clear();
    References.clear();
    MessageId.clear();
    Subject.clear();
    ContentType.clear();
    CharSet.clear();
    ContentTransferEncoding.clear();
    ContentDisposition.clear();
    Priority = TNetMessagePriority::mpNormal;
    RawHeaders.Clear();
    ExtraHeaders.Clear();
}

void TNetMessage::ClearBody() {
    Parts.Clear();
    Body.clear();
}

TNetMessage::TBoundaries TNetMessage::Boundaries() const {
    // Every boundary starts with the same text, so only lines that start with it can clash.
    const std::string common = "--=_MoreStuf_2";
    std::vector<std::string_view> candidates;
    const auto collect = [&](const std::vector<std::string>& lines) {
        for (const std::string& line : lines)
            if (line.compare(0, common.size(), common) == 0)
                candidates.push_back(line);
    };
    collect(Body);
    for (const auto& part : Parts)
        if (const auto* text = dynamic_cast<const TNetText*>(part.get()))
            collect(text->Body);
    const auto clashes = [&](const std::string& boundary) {
        const std::string delimiter = "--" + boundary;
        return std::any_of(candidates.begin(), candidates.end(), [&](std::string_view line) {
            return line.substr(0, delimiter.size()) == delimiter;
        });
    };
    for (int n = 0;; ++n) {
        const std::string suffix = n == 0 ? std::string() : "_" + std::to_string(n);
        TBoundaries boundaries{std::string(MixedBoundary) + suffix, std::string(RelatedBoundary) + suffix,
                               std::string(AlternativeBoundary) + suffix};
        if (!clashes(boundaries.Mixed) && !clashes(boundaries.Related) && !clashes(boundaries.Alternative))
            return boundaries;
    }
}

void TNetMessage::InitializeISO(TTransfer& transferHeader, char& headerEncoding, std::string& charSet) {
    if (OnInitializeISO)
        OnInitializeISO(transferHeader, headerEncoding, charSet);
}

TNetHeaderCharset TNetMessage::ChooseHeaderCharset() {
    TNetHeaderCharset charset = corvalet::ChooseHeaderCharset(HeaderLanguage);
    InitializeISO(charset.Transfer, charset.Encoding, charset.CharSet);
    return charset;
}

void TNetMessage::CheckHeaderTexts() const {
    RequireOneLineAddress(From, "the sender");
    RequireOneLineAddresses(Recipients, "a recipient");
    RequireOneLineAddresses(CCList, "a copy recipient");
    RequireOneLineAddresses(BccList, "a blind copy recipient");
    RequireOneLineAddresses(ReplyTo, "a reply address");
    RequireOneLineAddress(Sender, "the Sender");
    RequireOneLineAddress(ReceiptRecipient, "the receipt recipient");
    mime::RequireOneLine(Subject, "The subject");
    mime::RequireOneLine(Organization, "The organization");
    mime::RequireOneLine(References, "The references");
    mime::RequireOneLine(MessageId, "The message id");
    for (const std::string& group : NewsGroups)
        mime::RequireOneLine(group, "A newsgroup");
    mime::RequireFoldedLine(ContentType, "The content type");
    mime::RequireOneLine(CharSet, "The character set");
    mime::RequireOneLine(ContentTransferEncoding, "The transfer encoding");
    RequireOneLineLines(RawHeaders, "A preset header line");
    RequireOneLineLines(ExtraHeaders, "An extra header line");
}

std::unique_ptr<TNetHeaderList> TNetMessage::BuildHeaders() {
    CheckHeaderTexts();
    TallyParts();
    const bool mime = MessageEncoding == TNetMessageEncoding::meMIME;
    if (!mime && (Parts.RelatedTotal() > 0 || Parts.TextTotal() > 0))
        throw ENetMessageException("Invalid Encoding. UU only allows Body and Attachments");
    if (mime) {
        Parts.EncoderInfo().InitializeHeaders(*this);
        if (!CharSet.empty())
            ContentType = ContentType.empty() ? "charset=\"" + CharSet + "\""
                                              : ContentType + ";\r\n\tcharset=\"" + CharSet + "\"";
    }
    const TNetHeaderCharset charset = ChooseHeaderCharset();

    auto headers = std::make_unique<TNetHeaderList>();
    headers->Assign(RawHeaders);
    headers->SetHeaderValue("From", RenderAddressItem(From, charset));
    headers->SetHeaderValue("Subject", EncodeHeaderWords(Subject, "", charset));
    headers->SetHeaderValue("To", RenderAddressList(Recipients, charset));
    headers->SetHeaderValue("Cc", RenderAddressList(CCList, charset));
    headers->SetHeaderValue("Newsgroups", CommaText(NewsGroups));
    if (mime) {
        headers->SetHeaderValue("Content-Type", ContentType);
        if (!Parts.Empty())
            headers->SetHeaderValue("MIME-Version", "1.0");
        headers->SetHeaderValue("Content-Transfer-Encoding", ContentTransferEncoding);
    }
    headers->SetHeaderValue("Sender", Sender.Text());
    headers->SetHeaderValue("Reply-To", RenderAddressList(ReplyTo, charset));
    headers->SetHeaderValue("Organization", EncodeHeaderWords(Organization, "", charset));
    headers->SetHeaderValue("Disposition-Notification-To", RenderAddressItem(ReceiptRecipient, charset));
    headers->SetHeaderValue("References", References);
    const TDateTime date = UseNowForDate() ? Clock.Now() : Date;
    headers->SetHeaderValue("Date", FormatInternetDate(date, ZoneOffset(date)));
    headers->SetHeaderValue("Message-ID", MessageId);
    if (Priority != TNetMessagePriority::mpNormal)
        headers->SetHeaderValue("X-Priority", std::to_string(static_cast<int>(Priority) + 1));
    headers->AddLines(ExtraHeaders);
    return headers;
}

std::string RenderAddressItem(const TNetEMailAddressItem& item, const TNetHeaderCharset& charset) {
    // The address with its local part quoted where it is no dot-atom: written raw, a comma or
    // bracket in it would show readers other addresses than the envelope's.
    if (item.Name.empty())
        return item.QuotedAddress();
    const bool plain = std::none_of(item.Name.begin(), item.Name.end(), [](char c) {
        const auto b = static_cast<unsigned char>(c);
        return b < 0x20 || b >= 0x7F;
    });
    std::string quoted = "\"";
    for (char c : item.Name) {
        if (c == '\\' || c == '"')
            quoted += '\\';
        quoted += c;
    }
    quoted += "\"";
    // A quoted name is never folded: one too long for a continuation line goes out as words that
    // fold. A name word that looks like an encoded word would be decoded by readers even inside the
    // quotes, so such a name is encoded too.
    if (plain && quoted.size() < MaxQuotedNameLength && !HoldsEncodedWordLookAlike(item.Name))
        return quoted + " " + item.QuotedAddress();
    return EncodeHeaderWords(item.Name, AddressNameSpecials, charset) + " " + item.QuotedAddress();
}

std::string RenderAddressList(const TNetEMailAddressList& list, const TNetHeaderCharset& charset) {
    std::string text;
    for (const TNetEMailAddressItem& item : list) {
        if (!text.empty())
            text += ", ";
        text += RenderAddressItem(item, charset);
    }
    return text;
}

} // namespace corvalet
