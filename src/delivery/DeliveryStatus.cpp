#include "delivery/DeliveryStatus.h"

namespace corvalet {

const char* MailingStateText(TMailingState state) {
    switch (state) {
    case TMailingState::msDue:
        return "due";
    case TMailingState::msWaiting:
        return "waiting";
    case TMailingState::msSent:
        return "sent";
    case TMailingState::msFailed:
        return "failed";
    case TMailingState::msInDoubt:
        return "in doubt";
    case TMailingState::msMissed:
        return "missed";
    }
    return "unknown";
}

} // namespace corvalet
