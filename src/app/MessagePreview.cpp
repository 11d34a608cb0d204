#include "app/MessagePreview.h"

#include "settings/Configuration.h"

namespace corvalet {

namespace {

// What a receiving server does with a line of the data: a leading full stop that protected it in
// transit is taken away.
std::string WithoutTransitDots(const std::string& data) {
    std::string message;
    message.reserve(data.size());
    std::size_t start = 0;
    while (start < data.size()) {
        std::size_t end = data.find("\r\n", start);
        end = end == std::string::npos ? data.size() : end + 2;
        const std::size_t from = data[start] == '.' ? start + 1 : start;
        message.append(data, from, end - from);
        start = end;
    }
    return message;
}

} // namespace

void TPreviewSMTP::Connect(int /*timeout*/) {}

int TPreviewSMTP::SendCommand(const std::string& line, std::span<const int> expected) {
    if (line.rfind("MAIL FROM:", 0) == 0 || line.rfind("RCPT TO:", 0) == 0)
        Envelope += line + "\r\n";
    else if (line == "DATA")
        InData = true;
    else if (line == ".")
        InData = false;
    return ReadReply(expected);
}

// The reply to the data's closing "." line, which is written as a line of its own and is not
// part of the message.
int TPreviewSMTP::ReadReply(std::span<const int> expected) {
    if (InData && Data.size() >= 3 && Data.compare(Data.size() - 3, 3, ".\r\n") == 0 &&
        (Data.size() == 3 || Data.compare(Data.size() - 5, 2, "\r\n") == 0)) {
        Data.resize(Data.size() - 3);
        InData = false;
    }
    // The answer a willing server gives.
    const int code = expected.empty() || expected.front() < 0 ? 250 : expected.front();
    LastReply.Clear();
    LastReply.SetNumericCode(code);
    return code;
}

void TPreviewSMTP::WriteBytes(const char* data, std::size_t count) {
    if (InData)
        Data.append(data, count);
}

std::string TPreviewSMTP::Transcript() const {
    return Envelope + "\r\n" + WithoutTransitDots(Data);
}

std::string TPreviewMailClient::Session() const {
    const std::string trusted =
        "the server's certificate must be trusted by the system" +
        (TrustFile.empty() ? std::string() : " or by " + TrustFile) + " and issued for " + Data.NetSMTP.Host;
    std::string protection;
    if (Security == SecurityStartTLS)
        protection = "STARTTLS (switched to TLS before the login and the message); " + trusted;
    else if (Security == SecurityTLS)
        protection = "TLS from the first byte; " + trusted;
    else
        protection = "none (plain SMTP: nothing is encrypted)";
    const std::string login =
        User.empty() ? "none" : User + " (the password is asked for only when the message is sent)";
    return "Server: " + Data.NetSMTP.Host + " port " + std::to_string(Data.NetSMTP.Port) + "\r\n" +
           "Protection: " + protection + "\r\n" + "Login: " + login + "\r\n";
}

void TPreviewMailClient::Connect(int /*timeoutMs*/) {
    SMTP.Assign(Data.NetSMTP);
}

void TPreviewMailClient::Send() {
    SMTP.Send(Data.NetMessage);
}

} // namespace corvalet
