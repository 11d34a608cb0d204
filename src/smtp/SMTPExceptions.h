#pragma once

#include <string>
#include <vector>

#include "net/Exceptions.h"

namespace corvalet {

// An address or command argument that holds CR, LF or NUL, refused before anything is written.
class ENetUnsafeCommandText : public ENetException {
public:
    explicit ENetUnsafeCommandText(const std::string& what)
        : ENetException(what + " holds a line break or NUL character") {}
};

// The server refused the login; the reply's code is kept and its text is in the message.
class ENetLoginRefused : public ENetProtocolReplyError {
public:
    ENetLoginRefused(int code, const std::string& reply)
        : ENetProtocolReplyError(code, "The server refused the login: " + reply) {}
};

// The server refused the access token of a bearer-token login (it may have expired: a fresh one
// can be tried); the message is that of every refused login.
class ENetTokenRefused : public ENetLoginRefused {
public:
    using ENetLoginRefused::ENetLoginRefused;
};

// A login that cannot or may not take place; the message says why.
class ENetLoginImpossible : public ENetException {
public:
    using ENetException::ENetException;
};

// A mailing that some recipients got and others did not: a later transaction on the connection
// (after the server capped the recipients of one message) failed. The message is the failure's,
// followed by the recipients that did not get the message; those are kept for a later try.
class ENetPartialDelivery : public ENetException {
public:
    ENetPartialDelivery(const std::string& failure, int replyCode, std::vector<std::string> delivered,
                        std::vector<std::string> undelivered);

    // The code of the server's reply that failed the later transaction; 0 for another failure.
    int ReplyCode;
    std::vector<std::string> Delivered;
    std::vector<std::string> Undelivered;
};

} // namespace corvalet
