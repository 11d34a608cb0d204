#pragma once

#include "app/MailJob.h"
#include "mime/Message.h"
#include "net/AntiFreeze.h"
#include "smtp/SMTP.h"

namespace corvalet {

// The program's one SMTP client, one message and one anti-freeze, alive for the whole run.
class TCorvaletDataModule {
public:
    TCorvaletDataModule();
    TCorvaletDataModule(const TCorvaletDataModule&) = delete;
    TCorvaletDataModule& operator=(const TCorvaletDataModule&) = delete;

    TNetSMTP NetSMTP;
    TNetMessage NetMessage;
    TNetAntiFreeze NetAntiFreeze;
};

// The mail job's client: fills the data module's message and drives its SMTP client.
class TDataModuleMailClient final : public TMailClient {
public:
    explicit TDataModuleMailClient(TCorvaletDataModule& dataModule) : Data(dataModule) {}

    void ClearMessage() override;
    void SetRecipients(std::uint8_t distribution, const std::string& recipients) override;
    void SetSender(const std::string& name, const std::string& address) override;
    void SetText(const std::vector<std::string>& lines, const std::string& contentType,
                 const std::string& contentTransfer) override;
    void SetSubject(const std::string& subject) override;
    void SetPriority(int priority) override;
    void AddAttachment(const std::string& path) override;

    void SetHost(const std::string& host) override;
    void SetPort(int port) override;
    void SetSecurity(int security, const std::string& trustFile) override;
    void SetLogin(const std::string& user, const std::string& password) override;
    void SetAuthentication(int method) override;
    void Connect(int timeoutMs) override;
    void SetMessageId(const std::string& id) override;
    void Send() override;
    bool MessageEndSent() const override;
    bool IsConnected() const override;
    void Disconnect() override;

private:
    // The SMTP client's method for the login method and whether there is a user to log in.
    void ApplyLoginMethod();

    TCorvaletDataModule& Data;
    int LoginMethod = 0;
};

} // namespace corvalet
