#include "smtp/SMTP.h"

#include <algorithm>
#include <exception>

#include "mime/Encoder.h"
#include "mime/MessageClient.h"
#include "net/Stack.h"
#include "net/TLSExceptions.h"
#include "net/TextHelpers.h"
#include "smtp/SMTPExceptions.h"

namespace corvalet {

namespace {

constexpr int AnyCode = -1;

// Base64 of the credentials sent after AUTH LOGIN.
std::string Base64(const std::string& bytes) {
    return TNetEncoder::EncodeWith<TNetEncoderMIME>(bytes);
}

std::string ToUpper(std::string text) {
    for (char& c : text)
        c = AsciiUpper(c);
    return text;
}

bool Holds(const std::vector<std::string>& list, const std::string& word) {
    return std::find(list.begin(), list.end(), word) != list.end();
}

// The reply's text lines on one line, for a message of one line.
std::string ReplyOnOneLine(const TNetRFCReply& reply) {
    std::string text;
    for (const std::string& line : reply.Text)
        text += (text.empty() ? "" : " ") + line;
    return std::to_string(reply.NumericCode()) + (text.empty() ? "" : " " + text);
}

// Whether an EHLO reply lists the extension: a text line that is its name, alone or followed by
// parameters.
bool Offers(const std::vector<std::string>& replyText, const std::string& extension) {
    for (const std::string& line : replyText) {
        const std::string upper = ToUpper(line);
        if (upper == extension || upper.rfind(extension + " ", 0) == 0)
            return true;
    }
    return false;
}

bool IsLoopback(const std::string& dottedAddress) {
    return dottedAddress.rfind("127.", 0) == 0;
}

bool IsTokenLogin(TAuthenticationType type) {
    return type == TAuthenticationType::atXOAuth2 || type == TAuthenticationType::atOAuthBearer;
}

} // namespace

std::string ReplyOnOneLineOf(const TNetRFCReply& reply) {
    return ReplyOnOneLine(reply);
}

void CollectAuthSchemes(const std::vector<std::string>& replyText, std::vector<std::string>& schemes) {
    for (const std::string& original : replyText) {
        const std::string line = ToUpper(original);
        if (line.compare(0, 5, "AUTH ") != 0 && line.compare(0, 5, "AUTH=") != 0)
            continue;
        std::string rest = line.substr(5);
        std::replace(rest.begin(), rest.end(), '=', ' ');
        std::size_t start = 0;
        while (start < rest.size()) {
            const std::size_t blank = rest.find(' ', start);
            const std::size_t end = blank == std::string::npos ? rest.size() : blank;
            const std::string word = rest.substr(start, end - start);
            if (!word.empty() && std::find(schemes.begin(), schemes.end(), word) == schemes.end())
                schemes.push_back(word);
            start = end + 1;
        }
    }
}

void RequireCommandText(const std::string& text, const std::string& what) {
    if (text.find_first_of(std::string("\r\n\0", 3)) != std::string::npos)
        throw ENetUnsafeCommandText(what);
}

TNetSMTPEnvelope EnvelopeOf(const TNetMessage& message) {
    TNetSMTPEnvelope envelope{message.From.Address, {}};
    for (const TNetEMailAddressList* list : {&message.Recipients, &message.CCList, &message.BccList}) {
        for (const TNetEMailAddressItem& item : *list)
            envelope.Recipients.push_back(item.Address);
    }
    return envelope;
}

void TNetSMTP::TConnectionSink::WriteText(std::string_view bytes) {
    Owner.WriteBytes(bytes.data(), bytes.size());
}

void TNetSMTP::TConnectionSink::Status(std::string_view text) {
    Owner.ReportStatus(TNetStatus::hsStatusText, std::string(text));
}

void TNetSMTP::TConnectionSink::BeginWork() {
    Owner.WorkStart(TWorkMode::wmWrite, 0);
}

void TNetSMTP::TConnectionSink::EndWork() {
    Owner.WorkStop(TWorkMode::wmWrite);
}

TNetSMTP::TNetSMTP() {
    Port = 25;
}

TNetSMTP::~TNetSMTP() = default;

void TNetSMTP::Assign(const TNetSMTP& other) {
    SetAuthenticationType(other.AuthenticationType());
    Host = other.Host;
    MailAgent = other.MailAgent;
    Password = other.Password;
    Port = other.Port;
    Username = other.Username;
    Security = other.Security;
    TrustFile = other.TrustFile;
}

void TNetSMTP::SetAuthenticationType(TAuthenticationType type) {
    Authentication = type;
    if (type == TAuthenticationType::atLogin)
        Ehlo = true;
}

void TNetSMTP::SetUseEhlo(bool value) {
    Ehlo = value;
    if (!value)
        Authentication = TAuthenticationType::atNone;
}

void TNetSMTP::Connect(int timeout) {
    const std::string name = HeloName.empty() ? TheStack()->LocalHostName() : HeloName;
    RequireCommandText(name, "The name the client announces");
    AuthSchemes.clear();
    PrepareSecurity();
    TNetTCPClient::Connect(timeout);
    try {
        ReadReply({220});
        if (Security == TNetSMTPSecurity::ssStartTLS) {
            StartTLSAndGreet(name);
            return;
        }
        if (Ehlo) {
            const int code = SendCommand("EHLO " + name, AnyCode);
            if (code == 250) {
                CollectAuthSchemes(LastReply.Text, AuthSchemes);
                return;
            }
            // Only a server that does not know EHLO gets HELO; one that is busy or closing (4xx)
            // is reported with its own words.
            if (code < 500 || code > 599)
                RaiseReplyError();
        }
        SendCommand("HELO " + name, 250);
    } catch (...) {
        // A failing QUIT replaces the failure that led to it.
        Disconnect();
        throw;
    }
}

void TNetSMTP::PrepareSecurity() {
    if (Security == TNetSMTPSecurity::ssNone && !TLSHandler)
        return;
    if (!TLSHandler)
        TLSHandler = std::make_unique<TNetIOHandlerTLS>();
    if (Handler != TLSHandler.get()) {
        if (Handler != nullptr && Handler->IsOpen())
            throw ENetAlreadyConnected();
        SetIOHandler(TLSHandler.get());
    }
    TLSHandler->OnStatus = OnStatus;
    TLSHandler->Implicit = Security == TNetSMTPSecurity::ssTLS;
    TLSHandler->TrustFile = TrustFile;
    TLSHandler->HandshakeTimeout = ReadTimeout == 0 ? -2 : ReadTimeout;
}

void TNetSMTP::StartTLSAndGreet(const std::string& name) {
    const int code = SendCommand("EHLO " + name, AnyCode);
    // A busy or closing server (4xx) is reported with its own words, as on a plain connection.
    if (code >= 400 && code <= 499)
        RaiseReplyError();
    if (code != 250 || !Offers(LastReply.Text, "STARTTLS"))
        throw ENetTLSError("The server did not offer STARTTLS");
    if (SendCommand("STARTTLS", AnyCode) != 220)
        throw ENetTLSError("The server refused STARTTLS: " + ReplyOnOneLine(LastReply));
    // Whatever came after the go-ahead arrived unprotected and is not to be taken as the
    // protected server's words.
    if (!InBuffer.Empty())
        throw ENetTLSError("The server sent more than its answer to STARTTLS");
    TLSHandler->StartTLS(Host);
    SendCommand("EHLO " + name, 250);
    CollectAuthSchemes(LastReply.Text, AuthSchemes);
}

bool TNetSMTP::Encrypted() const {
    return TLSHandler && Handler == TLSHandler.get() && TLSHandler->Encrypted();
}

void TNetSMTP::RequireProtectedLogin() {
    if (Encrypted())
        return;
    const auto* socket = dynamic_cast<const TNetIOHandlerSocket*>(Handler);
    const TNetSocketHandle* handle = socket != nullptr ? socket->SocketHandle() : nullptr;
    if (handle != nullptr && IsLoopback(handle->PeerAddress))
        return;
    const std::string credential = IsTokenLogin(Authentication) ? "The access token" : "The password";
    throw ENetLoginImpossible(credential + " is not sent to " + Host +
                              " over an unprotected connection: choose STARTTLS or TLS");
}

void TNetSMTP::Disconnect() {
    std::exception_ptr quitFailure;
    try {
        if (IsConnected())
            WriteLine("QUIT");
    } catch (...) {
        quitFailure = std::current_exception();
    }
    TNetTCPClient::Disconnect();
    Authenticated = false;
    if (quitFailure)
        std::rethrow_exception(quitFailure);
}

bool TNetSMTP::CanAuthenticateWith(TAuthenticationType type) const {
    switch (type) {
    case TAuthenticationType::atPlainOrLogin:
        return Holds(AuthSchemes, "PLAIN") || Holds(AuthSchemes, "LOGIN");
    case TAuthenticationType::atLogin:
    case TAuthenticationType::atLoginOnly:
        return Holds(AuthSchemes, "LOGIN");
    case TAuthenticationType::atPlain:
        return Holds(AuthSchemes, "PLAIN");
    case TAuthenticationType::atXOAuth2:
        return Holds(AuthSchemes, "XOAUTH2");
    case TAuthenticationType::atOAuthBearer:
        return Holds(AuthSchemes, "OAUTHBEARER");
    case TAuthenticationType::atNone:
        break;
    }
    return false;
}

void TNetSMTP::AuthenticatePlainOrLogin() {
    if (!CanAuthenticateWith(TAuthenticationType::atPlainOrLogin))
        throw ENetLoginImpossible("The server offers no login method that Corvalet knows (PLAIN or LOGIN)");
    if (Holds(AuthSchemes, "PLAIN"))
        LogInWithPlain();
    else
        LogInWithLogin();
}

bool TNetSMTP::Authenticate() {
    if (Authentication == TAuthenticationType::atPlainOrLogin)
        AuthenticatePlainOrLogin();
    else if (Authentication != TAuthenticationType::atLogin && Authentication != TAuthenticationType::atNone)
        AuthenticateWithChosenMethod();
    if (Authentication == TAuthenticationType::atLogin) {
        SendCommand("AUTH LOGIN", 334);
        SendCommand(Base64(Username), 334);
        SendCommand(Base64(Password), 235);
    }
    Authenticated = true;
    return Authenticated;
}

void TNetSMTP::Send(TNetMessage& message) {
    // Everything that could stop the message half-way is looked at before the first command.
    RequireCommandText(MailAgent, "The mail agent");
    TNetMessageClient::CheckMessage(message);
    const auto writeMessage = [&] {
        message.ExtraHeaders.SetHeaderValue("X-Mailer", MailAgent);
        // The writer passes the message on in whole blocks, and the final "." with its last one.
        TNetMessageClient writer(Sink);
        writer.SendBufferSize = static_cast<std::size_t>(SendBufferSize > 0 ? SendBufferSize : 0);
        writer.Trailer = ".\r\n";
        writer.EmitMessage(message, false);
    };
    RunTransaction(EnvelopeOf(message), writeMessage, true);
}

void TNetSMTP::SendTransaction(const TNetSMTPEnvelope& envelope, const std::function<void()>& writeMessage) {
    RunTransaction(envelope, writeMessage, false);
}

void TNetSMTP::RunTransaction(const TNetSMTPEnvelope& envelope, const std::function<void()>& writeMessage,
                              bool messageEndsData) {
    RequireCommandText(envelope.From, "The sender address");
    for (const std::string& recipient : envelope.Recipients)
        RequireCommandText(recipient, "A recipient address");

    // Only atLogin passes over a server that does not offer its method; every other choice fails
    // with a clear reason then.
    const bool login = Authentication != TAuthenticationType::atNone && !Authenticated &&
                       (CanAuthenticateWith(Authentication) || Authentication != TAuthenticationType::atLogin);
    if (login)
        RequireProtectedLogin();
    SendCommand("RSET", AnyCode);
    if (login)
        Authenticate();
    SendCommand("MAIL FROM:<" + envelope.From + ">", 250);
    for (const std::string& recipient : envelope.Recipients)
        SendCommand("RCPT TO:<" + recipient + ">", {250, 251});
    SendCommand("DATA", 354);
    if (writeMessage)
        writeMessage();
    if (!messageEndsData)
        WriteLine(".");
    // The server may check the whole message before it answers: its reply gets the longer wait.
    const int readTimeout = ReadTimeout;
    if (ReadTimeout != 0)
        ReadTimeout = std::max(ReadTimeout, DataEndTimeout);
    try {
        ReadReply({250});
    } catch (...) {
        ReadTimeout = readTimeout;
        throw;
    }
    ReadTimeout = readTimeout;
}

void TNetSMTP::Expand(const std::string& name) {
    RequireCommandText(name, "The name to expand");
    SendCommand("EXPN " + name, {250, 251});
}

std::string TNetSMTP::Verify(const std::string& name) {
    RequireCommandText(name, "The name to verify");
    SendCommand("VRFY " + name, {250, 251});
    return LastReply.Text.empty() ? std::string() : LastReply.Text.front();
}

} // namespace corvalet
