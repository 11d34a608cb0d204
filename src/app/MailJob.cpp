#include "app/MailJob.h"

#include "log/Logger.h"
#include "platform/TextFile.h"
#include "settings/Configuration.h"
#include "settings/RecipientTexts.h"
#include "settings/TextValues.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <filesystem>

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

TMailJob::TMailJob(TMailJobWindow& window, TMailClient& client, TDialogs& dialogs, TLogger& logger,
                   const TClock& clock, const TFormatSettings& formats, TSavedTimeOut savedTimeOut)
    : Window(window), Client(client), Dialogs(dialogs), Logger(logger), Clock(clock), Formats(formats),
      SavedTimeOut(std::move(savedTimeOut)) {}

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
    // The one client and message cannot serve two mailings: the schedule waits for the end of a
    // mailing and "Send Now!" is disabled during one, so this is a caller's fault.
    if (Mailing)
        throw EMailJobError("A mailing is already in progress.");
    TMailingScope scope(Window, Mailing, OnMailingChanged);
    Compose(recipients, distribution);
    RunSession(recipients);
}

void TMailJob::Compose(const std::string& recipients, std::uint8_t distribution) {
    Client.ClearMessage();
    const std::string senderAddress = Window.SenderAddress();
    if (IsBlank(senderAddress))
        throw EMailJobError("The sender's address may not be empty!");
    if (IsBlank(recipients))
        throw EMailJobError("The recipient's address may not be empty!");
    if (distribution != DistributionBcc && distribution != DistributionCc)
        throw EMailJobError("Wrong distribution method for " + recipients + "!");
    Client.SetRecipients(distribution, recipients);
    Client.SetSender(LowerCase(Window.SenderName()), LowerCase(senderAddress));

    std::vector<std::string> lines;
    const std::string bodyFileName = Window.BodyFileName();
    if (!IsBlank(bodyFileName))
        lines = ReadBodyLines(bodyFileName);
    std::string contentType;
    std::string contentTransfer;
    const int contentTypeIndex = Window.ContentTypeIndex();
    if (contentTypeIndex >= 0 && contentTypeIndex < static_cast<int>(ContentTypeMimeTypes.size())) {
        contentType = ContentTypeMimeTypes[static_cast<std::size_t>(contentTypeIndex)];
        contentTransfer = SevenBit;
    }
    Client.SetText(lines, contentType, contentTransfer);
    Client.SetSubject(Window.Subject());
    const int priority = Window.PriorityIndex();
    if (priority >= 0 && priority < static_cast<int>(PriorityTexts.size()))
        Client.SetPriority(priority);
    const std::string attachment = Window.AttachmentFileName();
    if (!IsBlank(attachment))
        Client.AddAttachment(attachment);

    // An empty field keeps what the previous mailing used.
    const std::string host = Window.SMTPHostName();
    if (!host.empty())
        Client.SetHost(host);
    const std::string port = Window.PortNumber();
    if (!port.empty())
        Client.SetPort(PortFromText(port));
    const int security = Window.SecurityIndex();
    Client.SetSecurity(security >= 0 && security <= 2 ? security : 0, SavedTrustFile ? SavedTrustFile() : "");
}

int TMailJob::LoginMethod() const {
    const int method = SavedAuthentication ? SavedAuthentication() : AuthenticationAutomatic;
    // A later version's method, or a hand edit, is not replaced by one that may send the
    // password where the user did not mean it to go.
    if (method < AuthenticationAutomatic || method > AuthenticationOAuthBearer)
        throw EMailJobError("The login method " + std::to_string(method) +
                            " of the settings is not one that Corvalet knows (0 to 4)");
    return method;
}

void TMailJob::PrepareLogin() {
    const int method = LoginMethod();
    Client.SetAuthentication(method);
    const std::string user = Window.UserName();
    if (user.empty()) {
        Client.SetLogin("", "");
        return;
    }
    const std::string host = Window.SMTPHostName();
    if (method == AuthenticationXOAuth2 || method == AuthenticationOAuthBearer) {
        if (TokenCommand == nullptr)
            throw EPasswordUnavailable("No access token for " + user + " at " + host + ": no password command is set");
        Client.SetLogin(user, TokenCommand->Password(host, user));
        return;
    }
    if (Passwords == nullptr)
        throw EPasswordUnavailable("No password for " + user + " at " + host + ": there is no password store");
    Client.SetLogin(user, Passwords->Password(host, user));
}

void TMailJob::RunSession(const std::string& recipients) {
    std::string failure;
    try {
        PrepareLogin();
        Client.Connect(ConnectTimeOutMs(SavedTimeOut ? SavedTimeOut() : 0));
        Client.Send();
        Client.Disconnect();
        ReportSuccess(recipients);
        return;
    } catch (const std::exception& error) {
        failure = error.what();
    }
    // The window may have been opened or closed while the mailing waited: box or log is chosen now.
    ReportFailure(recipients, failure);
    if (Client.IsConnected())
        Client.Disconnect();
}

std::string TMailJob::Now() const {
    return Formats.FormatDateTime(Clock.Now());
}

void TMailJob::ReportSuccess(const std::string& recipients) {
    Outcome = {true, "Successfully send the e-mail to " + recipients + "."};
    if (Window.IsVisible())
        Dialogs.ShowInformation("Successfully send the e-mail to " + recipients + ".");
    else
        Logger.Log(Now() + " - Successfully send the e-mail to " + recipients + ".", lkInformation);
}

void TMailJob::ReportFailure(const std::string& recipients, const std::string& reason) {
    Outcome = {false, reason};
    if (Window.IsVisible())
        Dialogs.ShowError(reason);
    else
        Logger.Log(Now() + " - Failed to send e-mail to: " + recipients + "; Reason: " + reason, lkError);
}

} // namespace corvalet
