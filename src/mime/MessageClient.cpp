#include "mime/MessageClient.h"

#include "mime/Encoder.h"
#include "mime/MessageEncoder.h"
#include "mime/MessageExceptions.h"
#include "mime/MimeText.h"
#include "mime/SourceStream.h"

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
        gathering->Flush();
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
        EmitAlternativeTexts(message, TNetMessage::MixedBoundary, false);
        return;
    }
    const std::string_view boundary =
        parts.RelatedTotal() < 1 ? TNetMessage::MixedBoundary : TNetMessage::RelatedBoundary;
    Output().WriteLine(Preamble);
    Output().WriteLine("");
    Output().WriteLine(Delimiter(boundary));
    if (parts.TextTotal() > 0) {
        Output().WriteLine("Content-Type: multipart/alternative; ");
        Output().WriteLine(std::string(EightSpaces) + "boundary=\"" +
                           std::string(TNetMessage::AlternativeBoundary) + "\"");
        Output().WriteLine("");
        EmitAlternativeTexts(message, TNetMessage::AlternativeBoundary, true);
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
    Output().WriteLine("Content-Type: " + part.ContentType() + ";");
    Output().WriteLine(std::string(EightSpaces) + "name=\"" + fileName + "\"");
    Output().WriteLine("Content-Transfer-Encoding: " + part.ContentTransfer());
    Output().WriteLine("Content-Disposition: " + part.ContentDisposition() + ";");
    Output().WriteLine(std::string(EightSpaces) + "filename=\"" + fileName + "\"");
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
    Output().WriteLine("Content-Type: " + part.ContentType());
    Output().WriteLine("Content-Transfer-Encoding: " + part.ContentTransfer());
    if (const std::string id = part.ContentID(); !id.empty())
        Output().WriteLine("Content-Id: " + id);
    for (const std::string& line : part.ExtraHeaders.AllLines())
        Output().WriteLine(line);
    Output().WriteLine("");
    if (mime::SameText(part.ContentTransfer(), "quoted-printable")) {
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
