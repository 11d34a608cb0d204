#pragma once

#include <string>

namespace corvalet {

class TConfiguration;

// Everything a mailing takes from the configuration: the sender, the message and the whole
// connection (server, protection, login). The window gives its fields as they stand; the command
// line gives the saved settings. Both go through the same mail job, so neither can leave a part
// of the session out.
struct TMailFields {
    std::string SenderName;
    std::string SenderAddress;
    std::string Subject;
    std::string BodyFileName;
    // Item index of the content-type list ("HTML" 0, "Plain text" 1); -1 when none is selected.
    int ContentType = -1;
    // Item index of the priority list ("Highest" 0 .. "Lowest" 4); -1 when none is selected.
    int Priority = -1;
    std::string Attachment;
    std::string SMTPHost;
    // The port field as typed; PortNumberFromText (settings/TextValues.h) reads it.
    std::string PortNumber;
    // SecurityNone 0, SecurityStartTLS 1, SecurityTLS 2; any other value is kept as it was read
    // so that the mailing can refuse it.
    int Security = 0;
    // Empty: no login.
    std::string UserName;
    // A PEM file of certificates trusted besides the system's.
    std::string TrustFile;
    // The login method: AuthenticationAutomatic .. AuthenticationOAuthBearer; any other value is
    // kept as it was read so that the mailing can refuse it.
    int Authentication = 0;
};

// The fields of the saved settings, as the window shows them right after start.
TMailFields MailFieldsOf(const TConfiguration& settings);

} // namespace corvalet
