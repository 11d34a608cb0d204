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
    // The protection and the login are written down for Session; the SMTP client that writes the
    // preview connects nowhere and logs in nowhere, so it gets neither. The password is not kept.
    void SetSecurity(int security, const std::string& trustFile) override {
        Security = security;
        TrustFile = trustFile;
    }
    void SetLogin(const std::string& user, const std::string& /*password*/) override { User = user; }
    void SetAuthentication(int method) override { Fill.SetAuthentication(method); }

    void Connect(int timeoutMs) override;
    void SetMessageId(const std::string& id) override { Fill.SetMessageId(id); }
    void Send() override;
    bool MessageEndSent() const override { return SMTP.MessageEndSent(); }
    bool IsConnected() const override { return false; }
    void Disconnect() override {}

    const TPreviewSMTP& Preview() const { return SMTP; }
    // The session the mailing would have: the server and port, how the connection is protected
    // and who logs in, one "Name: value" line each, every line ending with CR LF. Never the password.
    std::string Session() const;

private:
    TCorvaletDataModule& Data;
    TDataModuleMailClient Fill;
    TPreviewSMTP SMTP;
    int Security = 0;
    std::string TrustFile;
    std::string User;
};

} // namespace corvalet
