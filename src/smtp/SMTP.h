#pragma once

#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "mime/Message.h"
#include "mime/MessageSink.h"
#include "net/IOHandlerTLS.h"
#include "net/TCPClient.h"

namespace corvalet {

// atPlainOrLogin logs in with PLAIN when the server lists it, else with LOGIN, and fails with a
// clear reason when the server lists neither. atLogin logs in only when the server lists LOGIN.
// atPlain, atLoginOnly, atXOAuth2 and atOAuthBearer log in with that one method and fail with a
// clear reason when the server does not list it; the two last send `Password` as a bearer token.
enum class TAuthenticationType { atNone, atLogin, atPlainOrLogin, atPlain, atLoginOnly, atXOAuth2, atOAuthBearer };

// How the connection to the server is protected: not at all, by STARTTLS after the greeting, or
// by TLS from the first byte.
enum class TNetSMTPSecurity { ssNone, ssStartTLS, ssTLS };

// The addresses of one mail transaction: the sender, and every recipient in the order in which
// they are offered to the server.
struct TNetSMTPEnvelope {
    std::string From;
    std::vector<std::string> Recipients;
};

// What a server's EHLO reply offers, read once per greeting: the keyword of each of its lines and
// the login mechanisms of its AUTH lines. A greeting with HELO offers nothing.
struct TSMTPCapabilities {
    // The first word of each text line, upper case, in the order listed.
    std::vector<std::string> Keywords;
    // The mechanisms of the "AUTH " and "AUTH=" lines, upper case, each once, in the order met.
    std::vector<std::string> AuthSchemes;

    // Whether a line is the extension: its name alone or followed by parameters.
    bool Offers(const std::string& extension) const;
    bool StartTLS() const { return Offers("STARTTLS"); }
    // Commands may be sent in groups and their replies read after (RFC 2920).
    bool Pipelining() const { return Offers("PIPELINING"); }
};

// The capabilities of an EHLO reply's text lines.
TSMTPCapabilities ParseCapabilities(const std::vector<std::string>& replyText);

// One command of a transaction: the line to write and the reply codes that accept it (none: any
// code does).
struct TSMTPCommand {
    std::string Line;
    std::vector<int> Accepted;
};

// The SMTP client: greets the server (EHLO, or HELO when EHLO is answered with 5xx), sends one
// mail transaction per call and ends the conversation with QUIT.
class TNetSMTP : public TNetTCPClient {
public:
    TNetSMTP();
    ~TNetSMTP() override;

    // Copies the connection and account settings of another client.
    void Assign(const TNetSMTP& other);

    // Connects, reads the greeting (220) and introduces the client. A failure after the TCP
    // connect disconnects (QUIT) and passes on.
    void Connect(int timeout = -1) override;
    // Writes QUIT while connected, without reading the reply, ends TLS (close_notify, as far as
    // it goes out without waiting) and closes. A failed write is raised once the connection is
    // closed.
    void Disconnect() override;

    // One mail transaction for the message's sender and all its addresses (To, then CC, then BCC,
    // each in its order); the message writer writes the message, with "X-Mailer" set from
    // MailAgent. A message that cannot be written whole is refused before anything is written.
    virtual void Send(TNetMessage& message);

    virtual bool CanAuthenticateWith(TAuthenticationType type) const;
    virtual bool Authenticate();
    // One transaction: RSET, authentication when asked for, MAIL FROM, one RCPT TO per recipient,
    // DATA, the message that `writeMessage` writes, and the line "." that ends it. The envelope holds
    // the addresses as parsed; they are written as WrittenEnvelope gives them, so an address that
    // holds CR, LF or NUL or is no plain mailbox is refused before anything is written. A server that offers PIPELINING
    // gets RSET, MAIL FROM and the RCPT TOs in one write, and DATA only once every reply to them
    // was read and accepted. A recipient answered 452 (too many recipients) ends the list of
    // that transaction: the message goes to those accepted, and further transactions on the same
    // connection take the rest; should one of them fail, ENetPartialDelivery names who is left.
    virtual void SendTransaction(const TNetSMTPEnvelope& envelope, const std::function<void()>& writeMessage);
    // EXPN and VRFY; Verify returns the first text line of the reply.
    virtual void Expand(const std::string& name);
    virtual std::string Verify(const std::string& name);

    TAuthenticationType AuthenticationType() const { return Authentication; }
    // atLogin needs EHLO: it switches EHLO on.
    void SetAuthenticationType(TAuthenticationType type);
    bool UseEhlo() const { return Ehlo; }
    // Without EHLO there is no authentication: switching it off sets atNone.
    void SetUseEhlo(bool value);

    // How long the reply to the "." that ends the message is awaited (ms): servers may take
    // minutes to check a message, and RFC 5321 asks clients to wait 10 minutes for it. A
    // ReadTimeout of 0 (no limit) stays.
    int DataEndTimeout = 600000;

    std::string MailAgent;
    std::string HeloName;
    std::string Username;
    std::string Password;
    // The login mechanisms of the last EHLO reply (Capabilities.AuthSchemes).
    std::vector<std::string> AuthSchemes;
    // What the last EHLO reply offered: after STARTTLS, the reply over the protected connection.
    TSMTPCapabilities Capabilities;
    bool Authenticated = false;
    // With ssStartTLS or ssTLS every mailing is protected or fails: it never goes on in the clear.
    TNetSMTPSecurity Security = TNetSMTPSecurity::ssNone;
    // A PEM file of certificates trusted besides the system's.
    std::string TrustFile;

    // Whether the connection is protected by TLS now.
    bool Encrypted() const;
    // Whether the last transaction got as far as the final "." of its message: a failure from then
    // on leaves it unknown whether the server took the message.
    bool MessageEndSent() const { return MessageEnded; }

private:
    // SendTransaction; with `messageEndsData` the writer has sent the final "." itself.
    void RunTransaction(const TNetSMTPEnvelope& envelope, const std::function<void()>& writeMessage,
                        bool messageEndsData);
    // The addresses of one transaction as the server took them: Accepted got the message's
    // envelope, Deferred were refused for now because the server caps the recipients of one message.
    struct TRecipientSplit {
        std::vector<std::string> Accepted;
        std::vector<std::string> Deferred;
        // The first reply that deferred a recipient.
        TNetRFCReply Cap;
    };
    // MAIL FROM and the RCPT TOs (RSET before them when `reset`), grouped when pipelining.
    TRecipientSplit OfferEnvelope(const std::string& from, const std::vector<std::string>& recipients,
                                  bool reset);
    // DATA, the message and the end of data, with the longer wait for its reply.
    void TransferData(const std::function<void()>& writeMessage, bool messageEndsData);
    // The commands written in one go (gathered into blocks of SendBufferSize), then every reply read
    // before any is checked: a server that refused the first still answers the rest.
    std::vector<TNetRFCReply> IssueGroup(std::span<const TSMTPCommand> commands);
    // The next reply, whatever its code.
    TNetRFCReply NextReply();
    // Takes what an EHLO reply offers.
    void TakeCapabilities(const TNetRFCReply& reply);
    // Puts the TLS handler under the connection when protection is asked for.
    void PrepareSecurity();
    // EHLO, STARTTLS, the handshake and EHLO again; the login methods come from the second EHLO.
    void StartTLSAndGreet(const std::string& name);
    // A password goes only over a protected connection, or to this machine itself.
    void RequireProtectedLogin();
    void AuthenticatePlainOrLogin();
    // Sends `verb` and the base64 of `secret` as one line and reads the 235 that accepts the login.
    void SendSecretLine(std::string_view verb, const std::string& secret);
    // The methods of the settings' choice (SMTPAuthentication.cpp).
    void AuthenticateWithChosenMethod();
    void LogInWithPlain();
    void LogInWithLogin();
    // AUTH with the initial response; a 334 error challenge gets `errorAnswer`, and the server's
    // final refusal is raised as ENetTokenRefused.
    void LogInWithToken(const std::string& mechanism, const std::string& initialResponse,
                        const std::string& errorAnswer);

    // The message writer's way onto this connection.
    class TConnectionSink : public TNetMessageSink {
    public:
        explicit TConnectionSink(TNetSMTP& owner) : Owner(owner) {}
        void WriteText(std::string_view bytes) override;
        void Status(std::string_view text) override;
        void BeginWork() override;
        void EndWork() override;

    private:
        TNetSMTP& Owner;
    };

    TConnectionSink Sink{*this};
    // Made on the first protected connection and kept, as a window event may disconnect in the
    // middle of a wait on it.
    std::unique_ptr<TNetIOHandlerTLS> TLSHandler;
    TAuthenticationType Authentication = TAuthenticationType::atNone;
    bool Ehlo = true;
    bool MessageEnded = false;
};

// The envelope of a message: the sender's address and every recipient's, To, then CC, then BCC.
TNetSMTPEnvelope EnvelopeOf(const TNetMessage& message);

// The envelope as it goes on the wire: every address written by EnvelopeMailbox, each checked
// with RequireCommandText first. Fails on the first address that cannot be written, before any
// command, so a mailing never reaches some of its recipients and not others for a typing error.
TNetSMTPEnvelope WrittenEnvelope(const TNetSMTPEnvelope& envelope);

// Adds the mechanisms of the "AUTH " and "AUTH=" lines of an EHLO reply to `schemes`, upper case,
// each once, in the order met.
void CollectAuthSchemes(const std::vector<std::string>& replyText, std::vector<std::string>& schemes);

// The reply's code and text lines on one line, for a message of one line.
std::string ReplyOnOneLineOf(const TNetRFCReply& reply);

// Refuses text for a command line that holds CR, LF or NUL: it would end the command early and let
// the rest pose as another command. `what` names the text in the message.
void RequireCommandText(const std::string& text, const std::string& what);

} // namespace corvalet
