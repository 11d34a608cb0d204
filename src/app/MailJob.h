#pragma once

#include "app/Dialogs.h"
#include "app/PasswordSource.h"
#include "app/Schedule.h"
#include "platform/Clock.h"
#include "platform/FormatSettings.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace corvalet {

class TLogger;

// The configuration window as the mail job sees it: the sender, message and connection fields as
// they stand (unconfirmed edits take part), whether the window is visible, and its cursor.
class TMailJobWindow {
public:
    virtual ~TMailJobWindow() = default;
    virtual std::string SenderName() const = 0;
    virtual std::string SenderAddress() const = 0;
    virtual std::string BodyFileName() const = 0;
    // 0 "HTML", 1 "Plain text", -1 when no item is selected.
    virtual int ContentTypeIndex() const = 0;
    virtual std::string Subject() const = 0;
    // 0 "Highest" .. 4 "Lowest", -1 when no item is selected.
    virtual int PriorityIndex() const = 0;
    virtual std::string AttachmentFileName() const = 0;
    virtual std::string SMTPHostName() const = 0;
    virtual std::string PortNumber() const = 0;
    // 0 none, 1 STARTTLS, 2 TLS from the first byte.
    virtual int SecurityIndex() const { return 0; }
    // Empty: no login.
    virtual std::string UserName() const { return {}; }
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
    // 0 none, 1 STARTTLS, 2 TLS from the first byte; the trust file adds to the system's store.
    virtual void SetSecurity(int /*security*/, const std::string& /*trustFile*/) {}
    // An empty user: no login.
    virtual void SetLogin(const std::string& /*user*/, const std::string& /*password*/) {}
    // The login method of the Authentication setting (0 automatic .. 4 OAUTHBEARER, already
    // checked); with 3 and 4 the login's password is an access token.
    virtual void SetAuthentication(int method) = 0;
    // Connects, reads the greeting and introduces the client; 0 gives the default time-out.
    virtual void Connect(int timeoutMs) = 0;
    virtual void Send() = 0;
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

// How the last mailing's session ended, as it was reported: "Successfully send the e-mail to R."
// or the error's message.
struct TMailOutcome {
    bool Sent = false;
    std::string Text;
};

// The mail job: sends the configured message to a set of recipients in one SMTP session and
// reports the outcome, in a message box while the window is visible and in the log while it is
// hidden.
class TMailJob final : public TMailSender {
public:
    TMailJob(TMailJobWindow& window, TMailClient& client, TDialogs& dialogs, TLogger& logger,
             const TClock& clock, const TFormatSettings& formats, TSavedTimeOut savedTimeOut);

    void SendMailTo(const std::string& recipients, std::uint8_t distribution) override;
    bool IsMailing() const override { return Mailing; }
    // The report of the last session; a mailing refused before its session leaves it as it was.
    const TMailOutcome& LastOutcome() const { return Outcome; }

    // Called with true when a mailing starts and with false when it has ended (reported and
    // disconnected), so that the window can disable "Send Now!" and the shell can run what waited.
    std::function<void(bool)> OnMailingChanged;
    // The password of a login, asked for at each mailing that logs in; none: such a mailing fails.
    TPasswordSource* Passwords = nullptr;
    // The saved trust file of protected connections.
    std::function<std::string()> SavedTrustFile;
    // The saved login method (the Authentication setting); none: automatic.
    std::function<int()> SavedAuthentication;
    // The access token of a token login (XOAUTH2, OAUTHBEARER): the password command's first
    // line. A kept password never stands in for it. None: such a mailing fails.
    TPasswordSource* TokenCommand = nullptr;

    // The port a port field gives: its decimal number, or 25 when it does not read as a port.
    static int PortFromText(const std::string& text);
    // The connect time-out of a saved time-out step, in milliseconds.
    static int ConnectTimeOutMs(int timeOutStep);

private:
    void Compose(const std::string& recipients, std::uint8_t distribution);
    void RunSession(const std::string& recipients);
    // Hands the login of the window's user name, with its password or token, to the client.
    void PrepareLogin();
    // The saved login method; one the program does not know fails the mailing.
    int LoginMethod() const;
    void ReportSuccess(const std::string& recipients);
    void ReportFailure(const std::string& recipients, const std::string& reason);
    std::string Now() const;

    TMailJobWindow& Window;
    TMailClient& Client;
    TDialogs& Dialogs;
    TLogger& Logger;
    const TClock& Clock;
    const TFormatSettings& Formats;
    TSavedTimeOut SavedTimeOut;
    bool Mailing = false;
    TMailOutcome Outcome;
};

} // namespace corvalet
