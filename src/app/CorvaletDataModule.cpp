#include "app/CorvaletDataModule.h"

#include "settings/Configuration.h"
#include "smtp/WipeSecret.h"

namespace corvalet {

namespace {

constexpr int SMTPPort = 25;
constexpr int ReplyTimeOutMs = 60000;

} // namespace

TCorvaletDataModule::TCorvaletDataModule() {
    NetSMTP.Host = std::string(DefaultSMTPHost);
    NetSMTP.Port = SMTPPort;
    // The system picks the local port: a fixed port 25 needs root here, collides with a local
    // mail server, and would fail the second mailing of a minute while the first one's port
    // lingers after closing.
    NetSMTP.BoundPort = 0;
    NetSMTP.ReadTimeout = ReplyTimeOutMs;
    NetSMTP.MaxLineAction = TNetMaxLineAction::maException;
    NetSMTP.SetAuthenticationType(TAuthenticationType::atNone);

    NetMessage.SetEncoding(TNetMessageEncoding::meMIME);
    NetMessage.SetAttachmentEncoding("MIME");

    NetAntiFreeze.OnlyWhenIdle = false;
}

void TDataModuleMailClient::ClearMessage() {
    Data.NetMessage.Clear();
}

void TDataModuleMailClient::SetRecipients(std::uint8_t distribution, const std::string& recipients) {
    Data.NetMessage.BccList.Clear();
    Data.NetMessage.CCList.Clear();
    SetAddresses(distribution == 0 ? Data.NetMessage.BccList : Data.NetMessage.CCList, recipients);
}

void TDataModuleMailClient::SetSender(const std::string& name, const std::string& address) {
    Data.NetMessage.From.Name = name;
    Data.NetMessage.From.Address = address;
}

void TDataModuleMailClient::SetText(const std::vector<std::string>& lines, const std::string& contentType,
                                    const std::string& contentTransfer) {
    Data.NetMessage.Body.clear();
    TNetText& text = Data.NetMessage.Parts.AddText(lines);
    text.SetContentType(contentType);
    text.SetContentTransfer(contentTransfer);
}

void TDataModuleMailClient::SetSubject(const std::string& subject) {
    Data.NetMessage.Subject = subject;
}

void TDataModuleMailClient::SetPriority(int priority) {
    Data.NetMessage.Priority = static_cast<TNetMessagePriority>(priority);
}

void TDataModuleMailClient::AddAttachment(const std::string& path) {
    Data.NetMessage.Parts.AddAttachment(path);
}

void TDataModuleMailClient::SetHost(const std::string& host) {
    Data.NetSMTP.Host = host;
}

void TDataModuleMailClient::SetPort(int port) {
    Data.NetSMTP.Port = port;
}

void TDataModuleMailClient::SetSecurity(int security, const std::string& trustFile) {
    Data.NetSMTP.Security = security == 1   ? TNetSMTPSecurity::ssStartTLS
                            : security == 2 ? TNetSMTPSecurity::ssTLS
                                            : TNetSMTPSecurity::ssNone;
    Data.NetSMTP.TrustFile = trustFile;
}

void TDataModuleMailClient::SetLogin(const std::string& user, const std::string& password) {
    Data.NetSMTP.Username = user;
    WipeSecret(Data.NetSMTP.Password);
    Data.NetSMTP.Password = password;
    ApplyLoginMethod();
}

void TDataModuleMailClient::SetAuthentication(int method) {
    LoginMethod = method;
    ApplyLoginMethod();
}

void TDataModuleMailClient::ApplyLoginMethod() {
    TAuthenticationType type = TAuthenticationType::atPlainOrLogin;
    switch (LoginMethod) {
    case AuthenticationPlain:
        type = TAuthenticationType::atPlain;
        break;
    case AuthenticationLogin:
        type = TAuthenticationType::atLoginOnly;
        break;
    case AuthenticationXOAuth2:
        type = TAuthenticationType::atXOAuth2;
        break;
    case AuthenticationOAuthBearer:
        type = TAuthenticationType::atOAuthBearer;
        break;
    default:
        break;
    }
    Data.NetSMTP.SetAuthenticationType(Data.NetSMTP.Username.empty() ? TAuthenticationType::atNone : type);
}

// The password is needed only up to the login of the one transaction that Send runs. It is wiped
// as soon as the session has no more use for it: when Connect fails (no connection, greeting,
// STARTTLS or handshake), and when Send ends however it ends; it is asked for again at the next
// mailing.
void TDataModuleMailClient::Connect(int timeoutMs) {
    try {
        Data.NetSMTP.Connect(timeoutMs);
    } catch (...) {
        WipeSecret(Data.NetSMTP.Password);
        throw;
    }
}

void TDataModuleMailClient::SetMessageId(const std::string& id) {
    Data.NetMessage.MessageId = id;
}

void TDataModuleMailClient::Send() {
    const TSecretWipe wipe(Data.NetSMTP.Password);
    Data.NetSMTP.Send(Data.NetMessage);
}

bool TDataModuleMailClient::MessageEndSent() const {
    return Data.NetSMTP.MessageEndSent();
}

bool TDataModuleMailClient::IsConnected() const {
    return Data.NetSMTP.IsConnected();
}

void TDataModuleMailClient::Disconnect() {
    WipeSecret(Data.NetSMTP.Password);
    Data.NetSMTP.Disconnect();
}

} // namespace corvalet
