#include "smtp/FailureClass.h"

#include "net/Exceptions.h"
#include "net/TLSExceptions.h"
#include "smtp/SMTPExceptions.h"

namespace corvalet {

namespace {

// The failures of the network itself: the server could not be reached, stopped answering or went
// away. They say nothing about the message and may pass.
bool IsNetworkFailure(const std::exception& error) {
    return dynamic_cast<const ENetConnectTimeout*>(&error) != nullptr ||
           dynamic_cast<const ENetConnectException*>(&error) != nullptr ||
           dynamic_cast<const ENetSocketError*>(&error) != nullptr ||
           dynamic_cast<const ENetReadTimeout*>(&error) != nullptr ||
           dynamic_cast<const ENetWriteTimeout*>(&error) != nullptr ||
           dynamic_cast<const ENetConnClosedGracefully*>(&error) != nullptr ||
           dynamic_cast<const ENetClosedSocket*>(&error) != nullptr ||
           dynamic_cast<const ENetNotConnected*>(&error) != nullptr ||
           dynamic_cast<const ENetTLSConnectionLost*>(&error) != nullptr;
}

} // namespace

int ReplyCodeOf(const std::exception& error) {
    if (const auto* partial = dynamic_cast<const ENetPartialDelivery*>(&error))
        return partial->ReplyCode;
    const auto* reply = dynamic_cast<const ENetProtocolReplyError*>(&error);
    return reply != nullptr ? reply->ReplyCode : 0;
}

TFailureClass ClassifyFailure(const std::exception& error, bool messageEndSent) {
    // A server's answer is its decision, also after the message: 4xx asks to try later, anything
    // else refuses.
    if (dynamic_cast<const ENetProtocolReplyError*>(&error) != nullptr) {
        const int code = ReplyCodeOf(error);
        return code >= 400 && code <= 499 ? TFailureClass::fcPassing : TFailureClass::fcFinal;
    }
    // A later message of a capped list failed: its reply decides as above; without one, the
    // network failed it, before or after its final ".".
    if (dynamic_cast<const ENetPartialDelivery*>(&error) != nullptr) {
        const int code = ReplyCodeOf(error);
        if (code != 0)
            return code >= 400 && code <= 499 ? TFailureClass::fcPassing : TFailureClass::fcFinal;
        return messageEndSent ? TFailureClass::fcInDoubt : TFailureClass::fcPassing;
    }
    // No answer to the whole message: it may have been delivered, and sending it again could
    // deliver it twice.
    if (messageEndSent)
        return TFailureClass::fcInDoubt;
    return IsNetworkFailure(error) ? TFailureClass::fcPassing : TFailureClass::fcFinal;
}

std::string_view FailureClassText(TFailureClass value) {
    switch (value) {
    case TFailureClass::fcPassing:
        return "passing";
    case TFailureClass::fcInDoubt:
        return "in doubt";
    case TFailureClass::fcFinal:
        break;
    }
    return "final";
}

} // namespace corvalet
