#pragma once

#include "app/Dialogs.h"
#include "app/MailFields.h"
#include "app/PasswordSource.h"
#include "app/Schedule.h"
#include "platform/Clock.h"
#include "platform/FormatSettings.h"
#include "smtp/FailureClass.h"

#include <cstdint>
#include <exception>
#include <functional>
#include <string>
#include <vector>

namespace corvalet {

class TLogger;

// The configuration window as the mail job sees it: every field of a mailing as it stands
// (unconfirmed edits take part), whether the window is visible, and its cursor.
class TMailJobWindow {
public:
    virtual ~TMailJobWindow() = default;
    virtual TMailFields MailFields() const = 0;
    virtual bool IsVisible() const = 0;
    virtual void ShowWaitCursor() = 0;
    virtual void RestoreCursor() = 0;
};

// The one SMTP client and the one message of the data module, as the mail job fills and drives
// them. Everything that can refuse the mailing before the session (an address the parser refuses)
// throws from the message calls; the session calls throw the network and protocol errors.
class TMailClient {
public:
    virtual ~TMailClient() = default;

    // Empties the message: no recipients, no parts, no subject, normal priority.
    virtual void ClearMessage() = 0;
    // Puts the parsed addresses of `recipients` on the blind-copy list (0) or the copy list (1),
    // after emptying both.
    virtual void SetRecipients(std::uint8_t distribution, const std::string& recipients) = 0;
    virtual void SetSender(const std::string& name, const std::string& address) = 0;
    // The one text part.
    virtual void SetText(const std::vector<std::string>& lines, const std::string& contentType,
                         const std::string& contentTransfer) = 0;
    virtual void SetSubject(const std::string& subject) = 0;
    // 0 highest .. 4 lowest.
    virtual void SetPriority(int priority) = 0;
    // The file is opened only when the message is written.
    virtual void AddAttachment(const std::string& path) = 0;

    virtual void SetHost(const std::string& host) = 0;
    virtual void SetPort(int port) = 0;
    // SecurityNone, SecurityStartTLS or SecurityTLS (the mail job refuses any other value); the
    // trust file adds to the system's store.
    virtual void SetSecurity(int security, const std::string& trustFile) = 0;
    // An empty user: no login. The client keeps the password only until the session has used it.
    virtual void SetLogin(const std::string& user, const std::string& password) = 0;
    // The login method of the Authentication setting (0 automatic .. 4 OAUTHBEARER, already
    // checked); with 3 and 4 the login's password is an access token.
    virtual void SetAuthentication(int method) = 0;
    // Connects, reads the greeting and introduces the client; 0 gives the default time-out.
    virtual void Connect(int timeoutMs) = 0;
    // "<unique@domain>" for the message's Message-ID line.
    virtual void SetMessageId(const std::string& id) = 0;
    virtual void Send() = 0;
    // Whether the last Send got as far as the final "." of the message.
    virtual bool MessageEndSent() const = 0;
    virtual bool IsConnected() const = 0;
    virtual void Disconnect() = 0;
};

// The saved connect time-out step (1..10 of 30 seconds; 0 until the first save).
using TSavedTimeOut = std::function<int()>;

// Raised before the session when the mailing cannot be composed.
class EMailJobError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// How a mailing's session ended, as it was reported: "Successfully send the e-mail to R." or the
// error's message, with what the failure was.
struct TMailOutcome {
    bool Sent = false;
    std::string Text;
    // For a failure: whether it may pass, the server's reply code (0: none) and whether the final
    // "." of the message had been sent.
    TFailureClass Class = TFailureClass::fcFinal;
    int ReplyCode = 0;
    bool MessageEndSent = false;
    std::string MessageId;
    // A failure of closing the connection after a failed session; the caller passes it on.
    std::exception_ptr DisconnectFailure;
    // A failed session that still reached some of the recipients (the server capped the recipients
    // of one message and a later message failed): those that did not get it. Empty otherwise.
    std::vector<std::string> Undelivered;
};

// The mail job: sends the configured message to a set of recipients in one SMTP session and
// reports the outcome, in a message box while the window is visible and in the log while it is
// hidden.
class TMailJob final : public TMailSender {
public:
    // `passwords` gives the password of a login, asked for at each mailing that logs in.
    TMailJob(TMailJobWindow& window, TMailClient& client, TPasswordSource& passwords, TDialogs& dialogs,
             TLogger& logger, const TClock& clock, const TFormatSettings& formats, TSavedTimeOut savedTimeOut);

    // One mailing as "Send Now!" starts it: a new Message-ID, and a failure to close the connection
    // after a failed session passes on.
    void SendMailTo(const std::string& recipients, std::uint8_t distribution);
    TMailOutcome Deliver(const TMailRequest& request) override;
    std::string NewMessageId() override;
    bool IsMailing() const override { return Mailing; }
    // A kind 3 entry: "Missed the e-mail to: R due at DATE TIME; ...".
    void ReportMissed(const std::string& recipients, const TDateTime& due) override;
    // The report of the last session; a mailing refused before its session leaves it as it was.
    const TMailOutcome& LastOutcome() const { return Outcome; }

    // Called with true when a mailing starts and with false when it has ended (reported and
    // disconnected), so that the window can disable "Send Now!" and the shell can run what waited.
    std::function<void(bool)> OnMailingChanged;

    // The port a port field gives: its decimal number, or 25 when it does not read as a port.
    static int PortFromText(const std::string& text);
    // The connect time-out of a saved time-out step, in milliseconds.
    static int ConnectTimeOutMs(int timeOutStep);
    // "<random@domain>" with the sender address's domain, or "localhost" when it has none that
    // can stand in a Message-ID.
    static std::string MessageIdFor(const std::string& senderAddress, const std::string& randomPart);

private:
    void Compose(const TMailFields& fields, const std::string& recipients, std::uint8_t distribution);
    // Hands the server, its protection and the trust file to the client; an unknown protection is
    // refused.
    void ComposeConnection(const TMailFields& fields);
    void RunSession(const TMailFields& fields, const TMailRequest& request, const std::string& messageId);
    // Hands the login method and the login of the user name, with its password or token, to the
    // client; a method the program does not know is refused.
    void PrepareLogin(const TMailFields& fields);
    void ReportSuccess(const std::string& recipients, const std::string& messageId);
    void ReportFailure(const std::string& recipients, const std::string& reason, const std::string& note);
    std::string Now() const;

    TMailJobWindow& Window;
    TMailClient& Client;
    TPasswordSource& Passwords;
    TDialogs& Dialogs;
    TLogger& Logger;
    const TClock& Clock;
    const TFormatSettings& Formats;
    TSavedTimeOut SavedTimeOut;
    bool Mailing = false;
    TMailOutcome Outcome;
};

} // namespace corvalet
