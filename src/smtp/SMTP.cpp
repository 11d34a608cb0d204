#include "smtp/SMTP.h"

#include <algorithm>
#include <exception>
#include <string_view>

#include "mime/Encoder.h"
#include "mime/MessageClient.h"
#include "net/Stack.h"
#include "net/TLSExceptions.h"
#include "net/TextHelpers.h"
#include "smtp/EnvelopeAddress.h"
#include "smtp/SMTPExceptions.h"
#include "smtp/WipeSecret.h"

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

// Raises the refusal that the reply is, as the connection raises one of its last reply.
[[noreturn]] void RaiseRefusal(const TNetRFCReply& reply) {
    std::string message;
    for (const std::string& line : reply.Text)
        message += line + "\r\n";
    throw ENetProtocolReplyError(reply.NumericCode(), message);
}

void Check(const TSMTPCommand& command, const TNetRFCReply& reply) {
    if (!command.Accepted.empty() && std::ranges::find(command.Accepted, reply.NumericCode()) == command.Accepted.end())
        RaiseRefusal(reply);
}

// Whether the server turns a recipient away only because the message has as many as it takes:
// 452, or a passing failure with the enhanced code 4.5.3 (RFC 5321 4.5.3.1.10).
bool CapsRecipients(const TNetRFCReply& reply) {
    const int code = reply.NumericCode();
    if (code == 452)
        return true;
    if (code < 400 || code > 499 || reply.Text.empty())
        return false;
    const std::string& text = reply.Text.front();
    return text.rfind("4.5.3", 0) == 0 && (text.size() == 5 || text[5] == ' ');
}

std::string Joined(const std::vector<std::string>& words) {
    std::string text;
    for (const std::string& word : words)
        text += (text.empty() ? "" : ", ") + word;
    return text;
}

std::string PartialDeliveryText(const std::string& failure, std::size_t delivered,
                                const std::vector<std::string>& undelivered) {
    std::string reason = failure;
    while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r'))
        reason.pop_back();
    return reason + " (after the message went to " + std::to_string(delivered) + " of " +
           std::to_string(delivered + undelivered.size()) + " recipients; not sent to: " + Joined(undelivered) +
           ")";
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

ENetPartialDelivery::ENetPartialDelivery(const std::string& failure, int replyCode,
                                         std::vector<std::string> delivered, std::vector<std::string> undelivered)
    : ENetException(PartialDeliveryText(failure, delivered.size(), undelivered)), ReplyCode(replyCode),
      Delivered(std::move(delivered)), Undelivered(std::move(undelivered)) {}

bool TSMTPCapabilities::Offers(const std::string& extension) const {
    return Holds(Keywords, ToUpper(extension));
}

TSMTPCapabilities ParseCapabilities(const std::vector<std::string>& replyText) {
    TSMTPCapabilities capabilities;
    for (const std::string& line : replyText) {
        const std::string upper = ToUpper(line);
        capabilities.Keywords.push_back(upper.substr(0, upper.find(' ')));
    }
    CollectAuthSchemes(replyText, capabilities.AuthSchemes);
    return capabilities;
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

TNetSMTPEnvelope WrittenEnvelope(const TNetSMTPEnvelope& envelope) {
    RequireCommandText(envelope.From, "The sender address");
    for (const std::string& recipient : envelope.Recipients)
        RequireCommandText(recipient, "A recipient address");
    TNetSMTPEnvelope written{EnvelopeMailbox(envelope.From), {}};
    for (const std::string& recipient : envelope.Recipients)
        written.Recipients.push_back(EnvelopeMailbox(recipient));
    return written;
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

TNetSMTP::~TNetSMTP() {
    WipeSecret(Password);
}

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
    TakeCapabilities({});
    MessageEnded = false;
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
                TakeCapabilities(LastReply);
                return;
            }
            // Only a server that does not know EHLO gets HELO; one that is busy or closing (4xx)
            // is reported with its own words.
            if (code < 500 || code > 599)
                RaiseReplyError();
        }
        SendCommand("HELO " + name, 250);
    } catch (...) {
        // The failure of the greeting or of EHLO is the one reported; a QUIT that fails on the
        // same broken connection only closes it.
        try {
            Disconnect();
        } catch (const std::exception&) {
        }
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
    // What the server offers in the clear counts for nothing but STARTTLS itself.
    if (code != 250 || !ParseCapabilities(LastReply.Text).StartTLS())
        throw ENetTLSError("The server did not offer STARTTLS");
    if (SendCommand("STARTTLS", AnyCode) != 220)
        throw ENetTLSError("The server refused STARTTLS: " + ReplyOnOneLine(LastReply));
    // Whatever came after the go-ahead arrived unprotected and is not to be taken as the
    // protected server's words.
    if (!InBuffer.Empty())
        throw ENetTLSError("The server sent more than its answer to STARTTLS");
    TLSHandler->StartTLS(Host);
    SendCommand("EHLO " + name, 250);
    TakeCapabilities(LastReply);
}

void TNetSMTP::TakeCapabilities(const TNetRFCReply& reply) {
    Capabilities = ParseCapabilities(reply.Text);
    AuthSchemes = Capabilities.AuthSchemes;
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
    // TLS ends with its own close before the socket does, so the server can tell the end of the
    // conversation from a cut.
    if (Encrypted())
        TLSHandler->SendCloseNotify();
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

// Every copy that holds the password, plain or encoded, is wiped once it is sent. The line is
// made at its full size, CR LF included, and written as it stands, so that no growing or joining
// on the way leaves a copy behind.
void TNetSMTP::SendSecretLine(std::string_view verb, const std::string& secret) {
    std::string encoded = Base64(secret);
    std::string line;
    const TSecretWipe wipeEncoded(encoded);
    const TSecretWipe wipeLine(line);
    line.reserve(verb.size() + encoded.size() + 2);
    line.append(verb).append(encoded).append("\r\n");
    WriteText(line);
    ReadReply({235});
}

bool TNetSMTP::Authenticate() {
    if (Authentication == TAuthenticationType::atPlainOrLogin)
        AuthenticatePlainOrLogin();
    else if (Authentication != TAuthenticationType::atLogin && Authentication != TAuthenticationType::atNone)
        AuthenticateWithChosenMethod();
    if (Authentication == TAuthenticationType::atLogin) {
        SendCommand("AUTH LOGIN", 334);
        SendCommand(Base64(Username), 334);
        SendSecretLine("", Password);
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

void TNetSMTP::RunTransaction(const TNetSMTPEnvelope& addresses, const std::function<void()>& writeMessage,
                              bool messageEndsData) {
    MessageEnded = false;
    const TNetSMTPEnvelope envelope = WrittenEnvelope(addresses);

    // Only atLogin passes over a server that does not offer its method; every other choice fails
    // with a clear reason then.
    const bool login = Authentication != TAuthenticationType::atNone && !Authenticated &&
                       (CanAuthenticateWith(Authentication) || Authentication != TAuthenticationType::atLogin);
    if (login)
        RequireProtectedLogin();
    std::vector<std::string> pending = envelope.Recipients;
    std::vector<std::string> delivered;
    try {
        // One transaction, and one more for each time the server capped the recipients.
        do {
            bool reset = true;
            if (login && !Authenticated) {
                IssueGroup(std::vector<TSMTPCommand>{{"RSET", {}}});
                Authenticate();
                reset = false;
            }
            TRecipientSplit split = OfferEnvelope(envelope.From, pending, reset);
            if (split.Accepted.empty() && !split.Deferred.empty())
                throw ENetProtocolReplyError(split.Cap.NumericCode(),
                                             "The server takes no recipient for this message: " +
                                                 ReplyOnOneLine(split.Cap));
            TransferData(writeMessage, messageEndsData);
            delivered.insert(delivered.end(), split.Accepted.begin(), split.Accepted.end());
            pending = std::move(split.Deferred);
        } while (!pending.empty());
    } catch (const std::exception& failure) {
        // Before anything was delivered the failure is the mailing's, as it is.
        if (delivered.empty())
            throw;
        const auto* reply = dynamic_cast<const ENetProtocolReplyError*>(&failure);
        throw ENetPartialDelivery(failure.what(), reply != nullptr ? reply->ReplyCode : 0, std::move(delivered),
                                  std::move(pending));
    }
}

TNetSMTP::TRecipientSplit TNetSMTP::OfferEnvelope(const std::string& from, const std::vector<std::string>& recipients,
                                                  bool reset) {
    std::vector<TSMTPCommand> commands;
    if (reset)
        commands.push_back({"RSET", {}});
    commands.push_back({"MAIL FROM:<" + from + ">", {250}});
    const std::size_t firstRecipient = commands.size();
    for (const std::string& recipient : recipients)
        commands.push_back({"RCPT TO:<" + recipient + ">", {250, 251}});

    // Without PIPELINING each command waits for its reply. With it, as many commands as fill a
    // send block go out together; their replies are read before the next block, so that neither
    // side waits to write while the other does too.
    const bool pipelining = Capabilities.Pipelining();
    const std::size_t blockSize =
        SendBufferSize > 0 ? static_cast<std::size_t>(SendBufferSize) : TNetGatheringSink::DefaultBlockSize;
    TRecipientSplit split;
    bool capped = false;
    std::size_t next = 0;
    while (next < commands.size() && !capped) {
        std::size_t end = next + 1;
        std::size_t bytes = commands[next].Line.size() + 2;
        while (pipelining && end < commands.size() && bytes + commands[end].Line.size() + 2 <= blockSize)
            bytes += commands[end++].Line.size() + 2;
        const std::span<const TSMTPCommand> group(commands.data() + next, end - next);
        const std::vector<TNetRFCReply> replies = IssueGroup(group);
        for (std::size_t i = 0; i < replies.size(); ++i) {
            const std::size_t index = next + i;
            if (index < firstRecipient) {
                Check(commands[index], replies[i]);
                continue;
            }
            const std::string& recipient = recipients[index - firstRecipient];
            if (CapsRecipients(replies[i])) {
                if (!capped)
                    split.Cap = replies[i];
                capped = true;
                split.Deferred.push_back(recipient);
                continue;
            }
            Check(commands[index], replies[i]);
            split.Accepted.push_back(recipient);
        }
        next = end;
    }
    // Once the server capped the list, the recipients not yet offered wait for the next message.
    for (std::size_t index = std::max(next, firstRecipient); index < commands.size(); ++index)
        split.Deferred.push_back(recipients[index - firstRecipient]);
    return split;
}

std::vector<TNetRFCReply> TNetSMTP::IssueGroup(std::span<const TSMTPCommand> commands) {
    // A command on its own takes the connection's one-command path, as it always did.
    if (commands.size() == 1) {
        SendCommand(commands.front().Line, std::span<const int>());
        return {LastReply};
    }
    const std::size_t blockSize =
        SendBufferSize > 0 ? static_cast<std::size_t>(SendBufferSize) : TNetGatheringSink::DefaultBlockSize;
    TNetGatheringSink gathered(Sink, blockSize);
    for (const TSMTPCommand& command : commands)
        gathered.WriteLine(command.Line);
    gathered.Flush();
    std::vector<TNetRFCReply> replies;
    replies.reserve(commands.size());
    for (std::size_t i = 0; i < commands.size(); ++i)
        replies.push_back(NextReply());
    return replies;
}

TNetRFCReply TNetSMTP::NextReply() {
    ReadReply(std::span<const int>());
    return LastReply;
}

void TNetSMTP::TransferData(const std::function<void()>& writeMessage, bool messageEndsData) {
    // Each message of a capped list is in doubt only from its own final ".".
    MessageEnded = false;
    SendCommand("DATA", 354);
    if (writeMessage)
        writeMessage();
    if (!messageEndsData)
        WriteLine(".");
    MessageEnded = true;
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
