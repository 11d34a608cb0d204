#include "smtp/SASLBearer.h"

#include "smtp/SMTPExceptions.h"

namespace corvalet {

namespace {

constexpr char Separator = '\x01';

// A user name in the GS2 header, where "," ends the field and "=" begins an escape.
std::string SaslName(const std::string& user) {
    std::string escaped;
    for (const char c : user) {
        if (c == ',')
            escaped += "=2C";
        else if (c == '=')
            escaped += "=3D";
        else
            escaped += c;
    }
    return escaped;
}

} // namespace

std::string XOAuth2InitialResponse(const std::string& user, const std::string& token) {
    return "user=" + user + Separator + "auth=Bearer " + token + Separator + Separator;
}

std::string OAuthBearerInitialResponse(const std::string& user, const std::string& host, int port,
                                       const std::string& token) {
    return "n,a=" + SaslName(user) + "," + Separator + "host=" + host + Separator + "port=" +
           std::to_string(port) + Separator + "auth=Bearer " + token + Separator + Separator;
}

std::string XOAuth2ErrorChallengeAnswer() {
    return "";
}

std::string OAuthBearerErrorChallengeAnswer() {
    return std::string(1, Separator);
}

void RequireBearerText(const std::string& text, const std::string& what) {
    if (text.empty())
        throw ENetLoginImpossible(what + " is empty");
    if (text.find_first_of(std::string("\x01\r\n\0", 4)) != std::string::npos)
        throw ENetLoginImpossible(what + " holds a control character");
}

} // namespace corvalet
