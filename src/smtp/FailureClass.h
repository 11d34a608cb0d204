#pragma once

#include <exception>
#include <string_view>

namespace corvalet {

// What a failed mailing may still become. A passing failure (the server is busy, the network is
// away) may go through on a later try; a final one will fail the same way again; a mailing in doubt
// may have been delivered: its whole message went out and the server's answer never came.
enum class TFailureClass { fcPassing, fcFinal, fcInDoubt };

// The class of a failure of a mailing's session, judged from the failure itself (its type and
// reply code, never its text) and whether the final "." of the message had been sent.
TFailureClass ClassifyFailure(const std::exception& error, bool messageEndSent);

// The server's reply code a failure carries, or 0 when it carries none.
int ReplyCodeOf(const std::exception& error);

// "passing", "final", "in doubt".
std::string_view FailureClassText(TFailureClass value);

} // namespace corvalet
