#pragma once

#include "net/Exceptions.h"

#include <string>

namespace corvalet {

// Failures of the message writer: members of the network family, so the mail job reports them like
// any other failure of its session, by their text.
class ENetMimeException : public ENetException {
public:
    using ENetException::ENetException;
};

// A message that cannot be written as it stands.
class ENetMessageException : public ENetMimeException {
public:
    using ENetMimeException::ENetMimeException;
};

// An address text that does not parse.
class ENetEmailParseError : public ENetMessageException {
public:
    ENetEmailParseError() : ENetMessageException("@ Outside address") {}
    explicit ENetEmailParseError(const std::string& message) : ENetMessageException(message) {}
};

class ENetFailedToRetreiveTimeZoneInfo : public ENetMessageException {
public:
    ENetFailedToRetreiveTimeZoneInfo()
        : ENetMessageException("Failed attempting to retrieve time zone information.") {}
};

// A header value, address or body line holding CR, LF or NUL. Written as it stands it would end the
// line early and let the rest pose as further header lines or as the end of the mail data.
class ENetUnsafeMessageText : public ENetMessageException {
public:
    explicit ENetUnsafeMessageText(const std::string& where)
        : ENetMessageException(where + " holds a line break or NUL character") {}
};

// An attachment file that cannot be opened or read; the text names the file and the system's reason.
class ENetAttachmentFileError : public ENetMimeException {
public:
    using ENetMimeException::ENetMimeException;
};

// Misuse of an encoder: an uneven block size, an encoder name without entry.
class ENetEncoderException : public ENetMimeException {
public:
    using ENetMimeException::ENetMimeException;
};

} // namespace corvalet
