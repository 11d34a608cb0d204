#pragma once

#include "platform/DateTime.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace corvalet {

// Where one mailing stands. A mailing is the message for one scheduled minute and one distribution
// (or one "Send Now!"), with one Message-ID on all of its tries.
enum class TMailingState {
    msDue,     // due and not tried yet (a restart finds it here when the program ended before its try)
    msWaiting, // failed for a reason that may pass; tried again at NextTry
    msSent,    // the server accepted it
    msFailed,  // failed for good: a final refusal, or given up after the last try
    msInDoubt, // the connection was lost after the final "." and before the server's reply
    msMissed,  // due while the computer slept or the program was off, later than the catch-up allows
};

// One mailing as the window, the tray and `--status` read it.
struct TMailingRecord {
    std::string MessageId;
    // The addresses joined by ",", as the schedule collected them.
    std::string Recipients;
    // 0 blind copies, 1 copies.
    std::uint8_t Distribution = 0;
    // The scheduled minute the mailing belongs to.
    TDateTime DueMinute;
    TMailingState State = TMailingState::msDue;
    int Tries = 0;
    std::optional<TDateTime> FirstTry;
    std::optional<TDateTime> LastTry;
    // Set while the state is msWaiting.
    std::optional<TDateTime> NextTry;
    // The failure text of the last try (as the log has it); empty for a mailing that was sent.
    std::string LastReason;
};

// What the resident program's delivery state shows to those that only read it.
class TDeliveryStatus {
public:
    virtual ~TDeliveryStatus() = default;
    // The mailings waiting to be tried again, the earliest next try first.
    virtual std::vector<TMailingRecord> WaitingMailings() const = 0;
    // The latest mailing that failed for good, was missed or is in doubt, if any.
    virtual std::optional<TMailingRecord> LastProblem() const = 0;
    // The mailings of the last day or so, oldest first, each in its last state.
    virtual std::vector<TMailingRecord> RecentMailings() const = 0;
};

// Told by the delivery state as things happen; the tray implements it.
class TDeliveryListener {
public:
    virtual ~TDeliveryListener() = default;
    // A mailing failed for good, was missed or is in doubt: the user should hear of it.
    virtual void MailingNeedsAttention(const TMailingRecord& mailing) = 0;
    // Something the status shows has changed (a try, a retry planned, a mailing sent).
    virtual void DeliveryChanged() = 0;
};

// "due", "waiting", "sent", "failed", "in doubt", "missed".
const char* MailingStateText(TMailingState state);

} // namespace corvalet
