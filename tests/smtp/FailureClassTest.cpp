#include "smtp/FailureClass.h"

#include "net/Exceptions.h"
#include "net/TLSExceptions.h"
#include "smtp/SMTPExceptions.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace corvalet {
namespace {

struct TCase {
    const char* Name;
    std::function<void()> Raise;
    bool MessageEndSent;
    TFailureClass Expected;
};

TEST(FailureClassTest, EachFailureIsJudgedByItsKindAndWhetherTheMessageEnded) {
    using enum TFailureClass;
    const TCase cases[] = {
        {"421 at the greeting", [] { throw ENetProtocolReplyError(421, "421 try again later"); }, false, fcPassing},
        {"451 after the data", [] { throw ENetProtocolReplyError(451, "451 later"); }, true, fcPassing},
        {"550", [] { throw ENetProtocolReplyError(550, "550 no such user"); }, false, fcFinal},
        {"refused login", [] { throw ENetLoginRefused(535, "535 bad"); }, false, fcFinal},
        {"connect time-out", [] { throw ENetConnectTimeout(); }, false, fcPassing},
        {"host not found", [] { throw ENetSocketError(11001, "Host not found."); }, false, fcPassing},
        {"read time-out before the end", [] { throw ENetReadTimeout(); }, false, fcPassing},
        {"read time-out after the end", [] { throw ENetReadTimeout(); }, true, fcInDoubt},
        {"lost after the end", [] { throw ENetConnClosedGracefully(); }, true, fcInDoubt},
        {"lost TLS connection", [] { throw ENetTLSConnectionLost("lost"); }, false, fcPassing},
        {"untrusted certificate", [] { throw ENetTLSCertificateError("not trusted"); }, false, fcFinal},
        {"unsafe text", [] { throw ENetUnsafeCommandText("A recipient address"); }, false, fcFinal},
        {"capped list, 451 later", [] { throw ENetPartialDelivery("451 later", 451, {"a@x"}, {"b@x"}); }, false,
         fcPassing},
        {"capped list, 550 later", [] { throw ENetPartialDelivery("550 no", 550, {"a@x"}, {"b@x"}); }, false,
         fcFinal},
        {"capped list, lost after the end", [] { throw ENetPartialDelivery("lost", 0, {"a@x"}, {"b@x"}); }, true,
         fcInDoubt},
    };
    for (const TCase& c : cases) {
        try {
            c.Raise();
        } catch (const std::exception& error) {
            EXPECT_EQ(ClassifyFailure(error, c.MessageEndSent), c.Expected) << c.Name;
        }
    }
}

} // namespace
} // namespace corvalet
