#pragma once

#include <string>

#include "net/Exceptions.h"

namespace corvalet {

// A protected connection that could not be had or kept: the mailing ends there, and nothing goes
// on over an unprotected connection instead. The message is one line naming the host and reason.
class ENetTLSError : public ENetException {
public:
    using ENetException::ENetException;
};

// The server's certificate could not be verified (unknown issuer, expired, another host's name).
class ENetTLSCertificateError : public ENetTLSError {
public:
    using ENetTLSError::ENetTLSError;
};

// A protected connection that broke in the middle of the session: the connection is lost, the
// protection was not refused.
class ENetTLSConnectionLost : public ENetTLSError {
public:
    using ENetTLSError::ENetTLSError;
};

} // namespace corvalet
