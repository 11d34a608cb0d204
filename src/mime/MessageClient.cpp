#include "mime/MessageClient.h"

#include "mime/Encoder.h"
#include "mime/HeaderWords.h"
#include "mime/MessageEncoder.h"
#include "mime/MessageExceptions.h"
#include "mime/MimeText.h"
#include "mime/SourceStream.h"

#include <algorithm>
#include <optional>

namespace corvalet {

namespace {

constexpr std::string_view Preamble = "This is a multi-part message in MIME format";
constexpr std::string_view EightSpaces = "        ";

std::string Delimiter(std::string_view boundary) {
    return "--" + std::string(boundary);
}
std::string ClosingDelimiter(std::string_view boundary) {
    return "--" + std::string(boundary) + "--";
}

// SMTP allows 998 characters on a line besides its CR LF.
constexpr std::size_t MaxLineLength = 998;

bool IsEightBit(char c) {
    return static_cast<unsigned char>(c) >= 0x80;
}

bool HoldsEightBitBytes(const std::vector<std::string>& lines) {
    return std::any_of(lines.begin(), lines.end(), [](const std::string& line) {
        return std::any_of(line.begin(), line.end(), IsEightBit);
    });
}

// Text that can be written line by line as it stands: no 8-bit byte, no NUL (which SMTP does not
// carry), no line past the limit.
bool FitsSevenBit(const std::vector<std::string>& lines) {
    return !HoldsEightBitBytes(lines) && std::all_of(lines.begin(), lines.end(), [](const std::string& line) {
        return line.size() <= MaxLineLength && line.find('\0') == std::string::npos;
    });
}

bool IsUtf8(std::string_view text) {
    for (std::size_t at = 0; at < text.size();) {
        const auto lead = static_cast<unsigned char>(text[at]);
        if (lead < 0x80) {
            ++at;
            continue;
        }
        std::size_t length = 0;
        unsigned low = 0x80;
        unsigned high = 0xBF;
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            low = lead == 0xE0 ? 0xA0 : 0x80;  // no overlong forms
            high = lead == 0xED ? 0x9F : 0xBF; // no surrogates
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            low = lead == 0xF0 ? 0x90 : 0x80;
            high = lead == 0xF4 ? 0x8F : 0xBF;
        } else {
            return false;
        }
        if (at + length > text.size())
            return false;
        for (std::size_t i = 1; i < length; ++i) {
            const auto b = static_cast<unsigned char>(text[at + i]);
            if (b < (i == 1 ? low : 0x80) || b > (i == 1 ? high : 0xBF))
                return false;
        }
        at += length;
    }
    return true;
}

bool IsUtf8(const std::vector<std::string>& lines) {
    return std::all_of(lines.begin(), lines.end(),
                       [](const std::string& line) { return IsUtf8(std::string_view(line)); });
}

bool HasCharset(std::string_view contentType) {
    return mime::UpperCase(contentType).find("CHARSET=") != std::string::npos;
}

// A file name that cannot stand between double quotes as it is: 8-bit bytes, a quote or backslash
// (which would end or escape the quoted text), a control character.
bool NeedsEncodedFileName(std::string_view name) {
    return std::any_of(name.begin(), name.end(), [](char c) {
        const auto b = static_cast<unsigned char>(c);
        return b < 0x20 || b >= 0x7F || c == '"' || c == '\\';
    });
}

// The name as encoded words for readers that look at "name" only.
std::string EncodedFileName(TNetMessage& message, std::string_view name) {
    TNetHeaderCharset charset = message.ChooseHeaderCharset();
    if (charset.Encoding == '8')
        charset.Encoding = 'Q';
    return EncodeHeaderWords(name, "\"\\", charset);
}

// The name as an RFC 2231 value: every byte but letters, digits and a few marks as %XX.
std::string PercentEncoded(std::string_view name) {
    static constexpr char Hex[] = "0123456789ABCDEF";
    static constexpr std::string_view Plain = "!#$&+-.^_`|~";
    std::string encoded;
    for (char c : name) {
        const auto b = static_cast<unsigned char>(c);
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
            Plain.find(c) != std::string_view::npos) {
            encoded += c;
        } else {
            encoded += '%';
            encoded += Hex[b >> 4];
            encoded += Hex[b & 15];
        }
    }
    return encoded;
}

void RequireBodyLines(const std::vector<std::string>& lines, const std::string& where) {
    for (const std::string& line : lines)
        if (line.find_first_of("\r\n") != std::string::npos)
            throw ENetUnsafeMessageText(where);
}

void RequireOneLineLines(const TNetHeaderList& lines, const std::string& where) {
    for (const std::string& line : lines.AllLines())
        mime::RequireOneLine(line, where);
}

// Announces the start of writing and, however the writing ends, its end.
class TWorkScope {
public:
    explicit TWorkScope(TNetMessageSink& sink) : Sink(sink) { Sink.BeginWork(); }
    ~TWorkScope() { Sink.EndWork(); }
    TWorkScope(const TWorkScope&) = delete;
    TWorkScope& operator=(const TWorkScope&) = delete;

private:
    TNetMessageSink& Sink;
};

// Points the client's output at a gathering sink for the length of one message.
class TOutputScope {
public:
    TOutputScope(TNetMessageSink*& current, TNetMessageSink& target) : Current(current), Saved(current) {
        Current = &target;
    }
    ~TOutputScope() { Current = Saved; }
    TOutputScope(const TOutputScope&) = delete;
    TOutputScope& operator=(const TOutputScope&) = delete;

private:
    TNetMessageSink*& Current;
    TNetMessageSink* Saved;
};

} // namespace

void TNetMessageClient::CheckMessage(const TNetMessage& message) {
    RequireOneLineLines(message.RawHeaders, "A preset header line");
    RequireBodyLines(message.Body, "A line of the message body");
    if (message.NoEncode)
        return;
    message.CheckHeaderTexts();
    for (const auto& part : message.Parts) {
        RequireOneLineLines(part->Headers, "A part's header line");
        RequireOneLineLines(part->ExtraHeaders, "A part's extra header line");
        if (const auto* text = dynamic_cast<const TNetText*>(part.get())) {
            RequireBodyLines(text->Body, "A line of a text part");
        } else if (const auto* attachment = dynamic_cast<const TNetAttachment*>(part.get())) {
            mime::RequireOneLine(attachment->FileName, "The attachment's file name");
            TNetFileSource opened(attachment->SourcePath()); // fails now rather than mid-message
        }
    }
}

void TNetMessageClient::EmitMessage(TNetMessage& message, bool headersOnly) {
    CheckMessage(message);
    std::optional<TNetGatheringSink> gathering;
    if (SendBufferSize > 0)
        gathering.emplace(Output(), SendBufferSize);
    TOutputScope scope(Current, gathering ? static_cast<TNetMessageSink&>(*gathering) : Output());
    if (message.NoEncode) {
        for (const std::string& line : message.RawHeaders.AllLines())
            Output().WriteLine(line);
        Output().WriteLine("");
        if (!headersOnly)
            for (const std::string& line : message.Body)
                WriteBodyLine(line);
    } else {
        EmitHeader(message);
        Output().WriteLine("");
        if (!headersOnly)
            EmitBody(message);
    }
    if (gathering)
        gathering->FlushWith(Trailer);
    else if (!Trailer.empty())
        Output().WriteText(Trailer);
}

void TNetMessageClient::EmitHeader(TNetMessage& message) {
    const std::unique_ptr<TNetHeaderList> headers = message.BuildHeaders();
    for (const std::string& line : headers->AllLines())
        Output().WriteLine(line);
}

void TNetMessageClient::EmitBody(TNetMessage& message) {
    TWorkScope work(Output());
    message.TallyParts();
    if (message.Encoding() == TNetMessageEncoding::meMIME)
        EmitMimeBody(message);
    else
        EmitUUBody(message);
}

void TNetMessageClient::EmitMimeBody(TNetMessage& message) {
    const TNetMessageParts& parts = message.Parts;
    const TNetMessage::TBoundaries boundaries = message.Boundaries();
    if (parts.AttachmentTotal() < 1) {
        if (parts.TextTotal() == 0) {
            Output().Status("Encoding text");
            EmitPlainBody(message);
            return;
        }
        // With text parts the message's own body lines are not used: the header announces the
        // parts, so the parts are what is written.
        Output().WriteLine(Preamble);
        Output().WriteLine("");
        EmitAlternativeTexts(message, boundaries.Mixed, false);
        return;
    }
    const std::string_view boundary = parts.RelatedTotal() < 1 ? boundaries.Mixed : boundaries.Related;
    Output().WriteLine(Preamble);
    Output().WriteLine("");
    Output().WriteLine(Delimiter(boundary));
    if (parts.TextTotal() > 0) {
        Output().WriteLine("Content-Type: multipart/alternative; ");
        Output().WriteLine(std::string(EightSpaces) + "boundary=\"" + boundaries.Alternative + "\"");
        Output().WriteLine("");
        EmitAlternativeTexts(message, boundaries.Alternative, true);
    } else {
        Output().WriteLine("Content-Type: text/plain");
        Output().WriteLine("Content-Transfer-Encoding: 7bit");
        Output().WriteLine("");
        EmitPlainBody(message);
    }
    for (std::size_t i = 0; i < message.Parts.Count(); ++i)
        if (auto* attachment = dynamic_cast<TNetAttachment*>(&message.Parts[i]))
            EmitAttachment(message, *attachment, boundary);
    Output().WriteLine(ClosingDelimiter(boundary));
}

void TNetMessageClient::EmitAlternativeTexts(TNetMessage& message, std::string_view boundary, bool nested) {
    for (std::size_t i = 0; i < message.Parts.Count(); ++i) {
        auto* text = dynamic_cast<TNetText*>(&message.Parts[i]);
        if (text == nullptr)
            continue;
        Output().WriteLine(Delimiter(boundary));
        Output().Status("Encoding text");
        EmitTextPart(*text);
        if (nested)
            Output().WriteLine("");
    }
    Output().WriteLine(ClosingDelimiter(boundary));
}

void TNetMessageClient::EmitAttachment(TNetMessage& message, TNetAttachment& part,
                                       std::string_view boundary) {
    Output().Status("Encoding attachment");
    Output().WriteLine("");
    Output().WriteLine(Delimiter(boundary));
    if (part.ContentTransfer().empty())
        part.SetContentTransfer("base64");
    if (part.ContentDisposition().empty())
        part.SetContentDisposition("attachment");
    if (part.ContentTransfer() == "base64" && part.ContentType().empty())
        part.SetContentType("application/octet-stream");
    const std::string fileName = part.FileName.substr(part.FileName.rfind('/') + 1);
    const bool plainName = !NeedsEncodedFileName(fileName);
    const std::string nameParameter =
        "name=\"" + (plainName ? fileName : EncodedFileName(message, fileName)) + "\"";
    const std::string fileNameParameter =
        plainName ? "filename=\"" + fileName + "\"" : "filename*=UTF-8''" + PercentEncoded(fileName);
    Output().WriteLine("Content-Type: " + part.ContentType() + ";");
    Output().WriteLine(std::string(EightSpaces) + nameParameter);
    Output().WriteLine("Content-Transfer-Encoding: " + part.ContentTransfer());
    Output().WriteLine("Content-Disposition: " + part.ContentDisposition() + ";");
    Output().WriteLine(std::string(EightSpaces) + fileNameParameter);
    if (const std::string id = part.ContentID(); !id.empty())
        Output().WriteLine("Content-Id: " + id);
    for (const std::string& line : part.ExtraHeaders.AllLines())
        Output().WriteLine(line);
    Output().WriteLine("");
    EmitAttachmentContent(message, part);
    Output().WriteLine("");
}

void TNetMessageClient::EmitAttachmentContent(TNetMessage& message, TNetAttachment& part) {
    const std::unique_ptr<TNetMessageEncoder> encoder = message.Parts.EncoderInfo().CreateEncoder();
    encoder->FileName = part.FileName;
    TNetFileSource source(part.SourcePath());
    encoder->Encode(source, Output());
}

void TNetMessageClient::EmitUUBody(TNetMessage& message) {
    Output().Status("Encoding text");
    EmitPlainBody(message);
    for (std::size_t i = 0; i < message.Parts.Count(); ++i) {
        if (auto* attachment = dynamic_cast<TNetAttachment*>(&message.Parts[i])) {
            Output().Status("Encoding attachment");
            Output().WriteLine("");
            EmitAttachmentContent(message, *attachment);
        }
    }
}

void TNetMessageClient::EmitTextPart(TNetText& part) {
    if (part.ContentType().empty())
        part.SetContentType("text/plain");
    if (part.ContentTransfer().empty())
        part.SetContentTransfer("quoted-printable");
    // A body that cannot go as it stands (8-bit text, a line past SMTP's limit) goes quoted-printable,
    // labelled with its character set so that readers show its letters.
    std::string contentType = part.ContentType();
    std::string transfer = part.ContentTransfer();
    const bool sevenBit = mime::SameText(transfer, "7bit");
    if (sevenBit && !FitsSevenBit(part.Body))
        transfer = "quoted-printable";
    const bool quotedPrintable = mime::SameText(transfer, "quoted-printable");
    if (quotedPrintable && (sevenBit || HoldsEightBitBytes(part.Body)) && !HasCharset(contentType))
        contentType += "; charset=" + std::string(IsUtf8(part.Body) ? "UTF-8" : "windows-1252");
    Output().WriteLine("Content-Type: " + contentType);
    Output().WriteLine("Content-Transfer-Encoding: " + transfer);
    if (const std::string id = part.ContentID(); !id.empty())
        Output().WriteLine("Content-Id: " + id);
    for (const std::string& line : part.ExtraHeaders.AllLines())
        Output().WriteLine(line);
    Output().WriteLine("");
    if (quotedPrintable) {
        // The encoder already writes a leading full stop as =2E, so no full stop is added here: a
        // receiver would decode both.
        for (const std::string& line : part.Body)
            Output().WriteText(TNetEncoder::EncodeWith<TNetEncoderQuotedPrintable>(line + "\r\n"));
    } else {
        for (const std::string& line : part.Body)
            WriteBodyLine(line);
    }
    Output().WriteLine("");
}

void TNetMessageClient::EmitPlainBody(TNetMessage& message) {
    for (const std::string& line : message.Body)
        WriteBodyLine(line);
}

void TNetMessageClient::WriteBodyLine(std::string_view line) {
    if (!line.empty() && line.front() == '.')
        Output().WriteLine(std::string(1, '.').append(line));
    else
        Output().WriteLine(line);
}

} // namespace corvalet
