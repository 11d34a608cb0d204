#pragma once

#include <string>

namespace corvalet {

// The client's messages of the two bearer-token logins, before base64. Both are plain values so
// that their bytes can be checked without a server.
//
// XOAUTH2: "user=" USER ^A "auth=Bearer " TOKEN ^A ^A.
std::string XOAuth2InitialResponse(const std::string& user, const std::string& token);
// OAUTHBEARER (RFC 7628): the GS2 header naming the user, then the host, the port and the token,
// each closed by ^A, and a last ^A. A "," or "=" in the user name is written "=2C" or "=3D".
std::string OAuthBearerInitialResponse(const std::string& user, const std::string& host, int port,
                                       const std::string& token);
// What answers the server's error challenge (a 334 with a status report in base64) so that the
// server gives its final refusal: an empty line for XOAUTH2, a single ^A for OAUTHBEARER.
std::string XOAuth2ErrorChallengeAnswer();
std::string OAuthBearerErrorChallengeAnswer();

// Refuses a user name or token that would break the login message apart (^A, CR, LF or NUL) or
// that is empty; `what` names it in the message, which never quotes the value.
void RequireBearerText(const std::string& text, const std::string& what);

} // namespace corvalet
