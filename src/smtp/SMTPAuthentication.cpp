// The login methods that the settings choose by name: PLAIN and LOGIN alone, and the two
// bearer-token methods of OAuth 2 sign-ins.
#include "smtp/SMTP.h"

#include "mime/Encoder.h"
#include "smtp/SASLBearer.h"
#include "smtp/SMTPExceptions.h"
#include "smtp/WipeSecret.h"

namespace corvalet {

namespace {

std::string Base64(const std::string& bytes) {
    return TNetEncoder::EncodeWith<TNetEncoderMIME>(bytes);
}

const char* MechanismName(TAuthenticationType type) {
    switch (type) {
    case TAuthenticationType::atPlain:
        return "PLAIN";
    case TAuthenticationType::atXOAuth2:
        return "XOAUTH2";
    case TAuthenticationType::atOAuthBearer:
        return "OAUTHBEARER";
    default:
        return "LOGIN";
    }
}

} // namespace

void TNetSMTP::AuthenticateWithChosenMethod() {
    const std::string name = MechanismName(Authentication);
    if (!CanAuthenticateWith(Authentication))
        throw ENetLoginImpossible("The server does not offer the login method " + name +
                                  " that the settings ask for");
    switch (Authentication) {
    case TAuthenticationType::atPlain:
        LogInWithPlain();
        return;
    case TAuthenticationType::atXOAuth2:
        RequireBearerText(Username, "The user name");
        RequireBearerText(Password, "The access token");
        LogInWithToken(name, XOAuth2InitialResponse(Username, Password), XOAuth2ErrorChallengeAnswer());
        return;
    case TAuthenticationType::atOAuthBearer:
        RequireBearerText(Username, "The user name");
        RequireBearerText(Host, "The host name");
        RequireBearerText(Password, "The access token");
        LogInWithToken(name, OAuthBearerInitialResponse(Username, Host, Port, Password),
                       OAuthBearerErrorChallengeAnswer());
        return;
    default:
        LogInWithLogin();
        return;
    }
}

void TNetSMTP::LogInWithPlain() {
    try {
        std::string credentials;
        const TSecretWipe wipe(credentials);
        credentials.reserve(Username.size() + Password.size() + 2);
        credentials.append(1, '\0').append(Username).append(1, '\0').append(Password);
        SendSecretLine("AUTH PLAIN ", credentials);
    } catch (const ENetProtocolReplyError& refusal) {
        throw ENetLoginRefused(refusal.ReplyCode, ReplyOnOneLineOf(LastReply));
    }
}

void TNetSMTP::LogInWithLogin() {
    try {
        SendCommand("AUTH LOGIN", 334);
        SendCommand(Base64(Username), 334);
        SendSecretLine("", Password);
    } catch (const ENetProtocolReplyError& refusal) {
        throw ENetLoginRefused(refusal.ReplyCode, ReplyOnOneLineOf(LastReply));
    }
}

void TNetSMTP::LogInWithToken(const std::string& mechanism, const std::string& initialResponse,
                              const std::string& errorAnswer) {
    // A token is at most a few kilobytes: its line stays well inside the 12,288 octets that
    // servers take for AUTH.
    int code = SendCommand("AUTH " + mechanism + " " + Base64(initialResponse), std::span<const int>());
    if (code == 334) {
        // The server's status report on a refused token (base64 JSON). The exchange ends only
        // once it is answered, and the final reply is the one that tells the user why.
        code = SendCommand(Base64(errorAnswer), std::span<const int>());
    }
    if (code != 235)
        throw ENetTokenRefused(code, ReplyOnOneLineOf(LastReply));
}

} // namespace corvalet
