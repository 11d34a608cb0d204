#include "app/MailJob.h"

#include "log/Logger.h"
#include "platform/TextFile.h"
#include "settings/Configuration.h"
#include "settings/RecipientTexts.h"
#include "settings/TextValues.h"
#include "smtp/SMTPExceptions.h"
#include "smtp/WipeSecret.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <filesystem>
#include <random>

namespace corvalet {

namespace {

constexpr std::string_view SevenBit = "7bit";

std::string LowerCase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c); });
    return text;
}

bool IsBlank(const std::string& text) {
    return TrimBlanks(text).empty();
}

// "Cannot open file "<full name>". <the system's reason>"
[[noreturn]] void ThrowCannotOpen(const std::string& fileName, int error) {
    std::error_code ignored;
    const std::string fullName = std::filesystem::absolute(fileName, ignored).string();
    // A device or a pipe is refused before it is read: it could be read without end.
    const std::string reason = error == ENODEV ? "It is not a regular file." : std::strerror(error);
    throw EMailJobError("Cannot open file \"" + fullName + "\". " + reason);
}

std::vector<std::string> ReadBodyLines(const std::string& fileName) {
    std::vector<std::string> lines;
    errno = 0;
    if (!ReadTextLines(fileName, lines))
        ThrowCannotOpen(fileName, errno != 0 ? errno : EISDIR);
    return lines;
}

// Restores the normal cursor and clears the mailing state however the mailing ends.
class TMailingScope {
public:
    TMailingScope(TMailJobWindow& window, bool& mailing, const std::function<void(bool)>& changed)
        : Window(window), Mailing(mailing), Changed(changed) {
        Window.ShowWaitCursor();
        Mailing = true;
        if (Changed)
            Changed(true);
    }
    ~TMailingScope() {
        Window.RestoreCursor();
        Mailing = false;
        if (Changed)
            Changed(false);
    }
    TMailingScope(const TMailingScope&) = delete;
    TMailingScope& operator=(const TMailingScope&) = delete;

private:
    TMailJobWindow& Window;
    bool& Mailing;
    const std::function<void(bool)>& Changed;
};

} // namespace

TMailJob::TMailJob(TMailJobWindow& window, TMailClient& client, TPasswordSource& passwords, TDialogs& dialogs,
                   TLogger& logger, const TClock& clock, const TFormatSettings& formats,
                   TSavedTimeOut savedTimeOut)
    : Window(window), Client(client), Passwords(passwords), Dialogs(dialogs), Logger(logger), Clock(clock),
      Formats(formats), SavedTimeOut(std::move(savedTimeOut)) {}

int TMailJob::PortFromText(const std::string& text) {
    return PortNumberFromText(text);
}

int TMailJob::ConnectTimeOutMs(int timeOutStep) {
    // A negative step from a hand-edited file asks for the default, like the 0 of a file never
    // saved; a huge one is capped instead of overflowing.
    if (timeOutStep <= 0)
        return 0;
    const long long ms = static_cast<long long>(timeOutStep) * TimeOutStepSeconds * 1000;
    return static_cast<int>(std::min<long long>(ms, INT_MAX));
}

void TMailJob::SendMailTo(const std::string& recipients, std::uint8_t distribution) {
    const TMailOutcome outcome = Deliver(TMailRequest{recipients, distribution, {}, {}});
    if (outcome.DisconnectFailure)
        std::rethrow_exception(outcome.DisconnectFailure);
}

TMailOutcome TMailJob::Deliver(const TMailRequest& request) {
    // The one client and message cannot serve two mailings: the schedule waits for the end of a
    // mailing and "Send Now!" is disabled during one, so this is a caller's fault.
    if (Mailing)
        throw EMailJobError("A mailing is already in progress.");
    TMailingScope scope(Window, Mailing, OnMailingChanged);
    // The fields are read once: the message, the connection and the login all come from one
    // moment of the window.
    const TMailFields fields = Window.MailFields();
    Compose(fields, request.Recipients, request.Distribution);
    const std::string messageId = request.MessageId.empty() ? NewMessageId() : request.MessageId;
    Client.SetMessageId(messageId);
    RunSession(fields, request, messageId);
    return Outcome;
}

std::string TMailJob::NewMessageId() {
    static const char Digits[] = "0123456789abcdef";
    std::random_device random;
    std::string part;
    for (int i = 0; i < 8; ++i) {
        const unsigned value = random();
        for (int shift = 0; shift < 32; shift += 8) {
            const unsigned byte = (value >> shift) & 0xFF;
            part += Digits[byte >> 4];
            part += Digits[byte & 0xF];
        }
        if (i == 3)
            part += '.';
    }
    return MessageIdFor(Window.MailFields().SenderAddress, part);
}

std::string TMailJob::MessageIdFor(const std::string& senderAddress, const std::string& randomPart) {
    const std::string address = LowerCase(std::string(TrimBlanks(senderAddress)));
    const std::size_t at = address.rfind('@');
    std::string domain = at == std::string::npos ? std::string() : address.substr(at + 1);
    // The right side of a Message-ID is a dot-atom: a domain of letters, digits, hyphens and dots.
    const bool usable =
        !domain.empty() && domain.front() != '.' && domain.back() != '.' &&
        domain.find("..") == std::string::npos && std::all_of(domain.begin(), domain.end(), [](char c) {
            return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.';
        });
    if (!usable)
        domain = "localhost";
    return "<" + randomPart + "@" + domain + ">";
}

void TMailJob::Compose(const TMailFields& fields, const std::string& recipients, std::uint8_t distribution) {
    Client.ClearMessage();
    const std::string& senderAddress = fields.SenderAddress;
    if (IsBlank(senderAddress))
        throw EMailJobError("The sender's address may not be empty!");
    if (IsBlank(recipients))
        throw EMailJobError("The recipient's address may not be empty!");
    if (distribution != DistributionBcc && distribution != DistributionCc)
        throw EMailJobError("Wrong distribution method for " + recipients + "!");
    Client.SetRecipients(distribution, recipients);
    Client.SetSender(LowerCase(fields.SenderName), LowerCase(senderAddress));

    std::vector<std::string> lines;
    if (!IsBlank(fields.BodyFileName))
        lines = ReadBodyLines(fields.BodyFileName);
    std::string contentType;
    std::string contentTransfer;
    const int contentTypeIndex = fields.ContentType;
    if (contentTypeIndex >= 0 && contentTypeIndex < static_cast<int>(ContentTypeMimeTypes.size())) {
        contentType = ContentTypeMimeTypes[static_cast<std::size_t>(contentTypeIndex)];
        contentTransfer = SevenBit;
    }
    Client.SetText(lines, contentType, contentTransfer);
    Client.SetSubject(fields.Subject);
    const int priority = fields.Priority;
    if (priority >= 0 && priority < static_cast<int>(PriorityTexts.size()))
        Client.SetPriority(priority);
    if (!IsBlank(fields.Attachment))
        Client.AddAttachment(fields.Attachment);
    ComposeConnection(fields);
}

void TMailJob::ComposeConnection(const TMailFields& fields) {
    // A value from a hand edit or a later version is not taken as "None": where protection may
    // have been asked for, nothing goes out unprotected.
    if (fields.Security != SecurityNone && fields.Security != SecurityStartTLS && fields.Security != SecurityTLS)
        throw EMailJobError("Unknown Security setting" +
                            (fields.Security >= 0 ? " " + std::to_string(fields.Security) : std::string()) +
                            ": choose None, STARTTLS or TLS on the Connection page; nothing was sent");
    // An empty field keeps what the previous mailing used.
    if (!fields.SMTPHost.empty())
        Client.SetHost(fields.SMTPHost);
    if (!fields.PortNumber.empty())
        Client.SetPort(PortFromText(fields.PortNumber));
    Client.SetSecurity(fields.Security, fields.TrustFile);
}

void TMailJob::PrepareLogin(const TMailFields& fields) {
    const int method = fields.Authentication;
    // A later version's method, or a hand edit, is not replaced by one that may send the
    // password where the user did not mean it to go.
    if (method < AuthenticationAutomatic || method > AuthenticationOAuthBearer)
        throw EMailJobError("The login method " + std::to_string(method) +
                            " of the settings is not one that Corvalet knows (0 to 4)");
    Client.SetAuthentication(method);
    const std::string& user = fields.UserName;
    if (user.empty()) {
        Client.SetLogin("", "");
        return;
    }
    const bool token = method == AuthenticationXOAuth2 || method == AuthenticationOAuthBearer;
    std::string secret = token ? Passwords.Token(fields.SMTPHost, user) : Passwords.Password(fields.SMTPHost, user);
    const TSecretWipe wipe(secret);
    Client.SetLogin(user, secret);
}

void TMailJob::RunSession(const TMailFields& fields, const TMailRequest& request, const std::string& messageId) {
    const std::string& recipients = request.Recipients;
    bool failed = false;
    try {
        PrepareLogin(fields);
        Client.Connect(ConnectTimeOutMs(SavedTimeOut ? SavedTimeOut() : 0));
        Client.Send();
    } catch (const std::exception& error) {
        const bool messageEndSent = Client.MessageEndSent();
        Outcome = {false, error.what(), ClassifyFailure(error, messageEndSent), ReplyCodeOf(error), messageEndSent,
                   messageId, nullptr, {}};
        failed = true;
        // A server that capped the recipients took the message for some of them: only the others
        // are left to try again.
        if (const auto* partial = dynamic_cast<const ENetPartialDelivery*>(&error))
            Outcome.Undelivered = partial->Undelivered;
    }
    if (failed) {
        // The window may have been opened or closed while the mailing waited: box or log is chosen now.
        ReportFailure(recipients, Outcome.Text, request.FailureNote ? request.FailureNote(Outcome) : "");
        try {
            if (Client.IsConnected())
                Client.Disconnect();
        } catch (const std::exception&) {
            Outcome.DisconnectFailure = std::current_exception();
        }
        return;
    }
    // The server has taken the message: a QUIT that fails now only closes the connection, and the
    // mailing is not reported as failed (a later try would deliver it twice).
    try {
        Client.Disconnect();
    } catch (const std::exception&) {
    }
    ReportSuccess(recipients, messageId);
}

std::string TMailJob::Now() const {
    return Formats.FormatDateTime(Clock.Now());
}

void TMailJob::ReportSuccess(const std::string& recipients, const std::string& messageId) {
    Outcome = {true, "Successfully send the e-mail to " + recipients + ".", TFailureClass::fcFinal, 0, true,
               messageId, nullptr, {}};
    if (Window.IsVisible())
        Dialogs.ShowInformation("Successfully send the e-mail to " + recipients + ".");
    else
        Logger.Log(Now() + " - Successfully send the e-mail to " + recipients + ".", lkInformation);
}

void TMailJob::ReportMissed(const std::string& recipients, const TDateTime& due) {
    Logger.Log(Now() + " - Missed the e-mail to: " + recipients + " due at " + Formats.FormatDateTime(due) +
                   "; Corvalet was not running or the computer was asleep",
               lkError);
}

void TMailJob::ReportFailure(const std::string& recipients, const std::string& reason, const std::string& note) {
    if (Window.IsVisible())
        Dialogs.ShowError(reason);
    else
        Logger.Log(Now() + " - Failed to send e-mail to: " + recipients + "; Reason: " + reason + note, lkError);
}

} // namespace corvalet
