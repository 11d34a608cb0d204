#pragma once

#include "app/CorvaletDataModule.h"
#include "app/MailJob.h"
#include "smtp/SMTP.h"

#include <string>

namespace corvalet {

// An SMTP client that connects nowhere: it goes through the same transaction as the real one and
// writes down the envelope and the message instead of sending them.
class TPreviewSMTP final : public TNetSMTP {
public:
    void Connect(int timeout = -1) override;
    bool IsConnected() override { return false; }
    void Disconnect() override {}
    int SendCommand(const std::string& line, std::span<const int> expected) override;
    int ReadReply(std::span<const int> expected) override;
    void WriteBytes(const char* data, std::size_t count) override;

    // "MAIL FROM:<sender>" and one "RCPT TO:<recipient>" a line, an empty line, then the message
    // as a server stores it (the full stops that protect lines in transit taken away again); every
    // line ends with CR LF.
    std::string Transcript() const;

private:
    std::string Envelope;
    std::string Data;
    bool InData = false;
};

// The mail job's client for --preview: fills the data module's message as for a real mailing and
// hands it to a TPreviewSMTP set up like the data module's client.
class TPreviewMailClient final : public TMailClient {
public:
    explicit TPreviewMailClient(TCorvaletDataModule& dataModule) : Data(dataModule), Fill(dataModule) {}

    void ClearMessage() override { Fill.ClearMessage(); }
    void SetRecipients(std::uint8_t distribution, const std::string& recipients) override {
        Fill.SetRecipients(distribution, recipients);
    }
    void SetSender(const std::string& name, const std::string& address) override {
        Fill.SetSender(name, address);
    }
    void SetText(const std::vector<std::string>& lines, const std::string& contentType,
                 const std::string& contentTransfer) override {
        Fill.SetText(lines, contentType, contentTransfer);
    }
    void SetSubject(const std::string& subject) override { Fill.SetSubject(subject); }
    void SetPriority(int priority) override { Fill.SetPriority(priority); }
    void AddAttachment(const std::string& path) override { Fill.AddAttachment(path); }
    void SetHost(const std::string& host) override { Fill.SetHost(host); }
    void SetPort(int port) override { Fill.SetPort(port); }
    void SetAuthentication(int method) override { Fill.SetAuthentication(method); }

    void Connect(int timeoutMs) override;
    void Send() override;
    bool IsConnected() const override { return false; }
    void Disconnect() override {}

    const TPreviewSMTP& Preview() const { return SMTP; }

private:
    TCorvaletDataModule& Data;
    TDataModuleMailClient Fill;
    TPreviewSMTP SMTP;
};

} // namespace corvalet
