#pragma once

#include "platform/Registry.h"

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace corvalet {

// The built-in SMTP server: a mail host on the local network, used until the mail account or the
// settings file names another.
inline constexpr std::string_view DefaultSMTPHost = "mailhost";

// The values of the Security setting.
inline constexpr std::int32_t SecurityNone = 0;
inline constexpr std::int32_t SecurityStartTLS = 1;
inline constexpr std::int32_t SecurityTLS = 2;
// A Security value in the settings file that does not read as a number.
inline constexpr std::int32_t SecurityUnknown = -1;

// The values of the Authentication setting: the login method. Automatic is PLAIN when the server
// offers it, else LOGIN; the two last send an OAuth 2 access token instead of a password.
inline constexpr std::int32_t AuthenticationAutomatic = 0;
inline constexpr std::int32_t AuthenticationPlain = 1;
inline constexpr std::int32_t AuthenticationLogin = 2;
inline constexpr std::int32_t AuthenticationXOAuth2 = 3;
inline constexpr std::int32_t AuthenticationOAuthBearer = 4;

// The [Delivery] settings' defaults and bounds, in minutes. 0 turns the behaviour off: a mailing
// missed while the computer slept or the program was off stays missed, a failed one is not tried
// again.
inline constexpr std::int32_t DefaultCatchUpMinutes = 120;
inline constexpr std::int32_t MaximumCatchUpMinutes = 1440;
inline constexpr std::int32_t DefaultRetryMinutes = 240;
inline constexpr std::int32_t MaximumRetryMinutes = 10080;

// "Corvalet": the window caption's first word and the default log file name's stem.
std::string ApplicationName();

// Raised when the settings file cannot be written: "Unable to write to <path>".
class EIniFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// One recipient's texts, stored under the recipient's address (formats in RecipientTexts.h).
struct TRecipientInfo {
    std::string Time;
    std::string Frequency;
    std::string Distribution;
};

// All persistent settings, with their defaults, the user's default mail account and the settings
// file beside the executable.
class TConfiguration {
public:
    // `programFolder` (the folder of the settings file and the default log, ending with "/") is
    // the executable's folder in portable use; the registry gives the default mail account and
    // must outlive the object (ReadDefaultMailAccount reads it again).
    TConfiguration(std::string programFolder, const TRegistry& registry);

    std::string ProgramFolder;
    std::string SenderName;
    std::string SenderAddress;
    std::string SMTPHost;
    std::int32_t PortNumber = 25;
    // Connect time-out as a step of 30 seconds, 1..10; 0 until the first save.
    std::int32_t TimeOut = 0;
    // How the connection is protected: SecurityNone, SecurityStartTLS or SecurityTLS. Any other
    // value (a hand edit, a later version's) is kept as read, SecurityUnknown for one that does not
    // read as a number, so that a mailing can refuse it.
    std::int32_t Security = 0;
    // The login name; empty: no login.
    std::string UserName;
    // The login method: AuthenticationAutomatic .. AuthenticationOAuthBearer.
    std::int32_t Authentication = AuthenticationAutomatic;
    // A command whose first line of output is the password (never the password itself), or the
    // access token with a token login.
    std::string PasswordCommand;
    // A PEM file of certificates trusted besides the system's.
    std::string TrustFile;
    std::string Subject;
    std::uint8_t ContentType = 0;
    std::string BodyFileName;
    std::string Attachment;
    std::uint8_t Priority = 0;
    std::uint8_t LogMechanism = 1;
    std::string LogFileName;
    bool LogSizeIsLimited = false;
    // In units of 1,048,576 bytes.
    std::int32_t LogSizeLimit = 10;
    // How late a mailing missed while the computer slept or the program was not running may still
    // go out, 0..MaximumCatchUpMinutes; 0: never.
    std::int32_t CatchUpMinutes = DefaultCatchUpMinutes;
    // How long a mailing that failed for a reason that may pass is tried again after its first
    // try, 0..MaximumRetryMinutes; 0: never.
    std::int32_t RetryMinutes = DefaultRetryMinutes;

    // Replaces the settings with what the settings file holds; what it lacks keeps its default.
    void LoadFromIni();
    // Writes every setting to the settings file, keeping every other line of it. Throws
    // EIniFileError and leaves the file as it was when it cannot be written.
    void SaveToIni();
    // Sender address, SMTP host, port, security, login and trust file from the built-in values and
    // the default mail account.
    void ReadDefaultMailAccount();

    // Inserts the recipient at its place in address order (letter case ignored), before any
    // recipients with an equal address.
    void AddRecipient(const std::string& address, const std::string& time, const std::string& frequency,
                      const std::string& distribution);
    void ClearRecipients();
    int RecipientCount() const;
    // The texts of the recipient at a 0-based index in address order; empty outside the list.
    std::string RecipientAddress(int index) const;
    std::string RecipientTime(int index) const;
    std::string RecipientFrequency(int index) const;
    std::string RecipientDistribution(int index) const;

    // ProgramFolder + "Corvalet.ini", absolute.
    std::string IniFilePath() const;

private:
    struct TRecipient {
        std::string Address;
        TRecipientInfo Info;
    };
    const TRecipient* RecipientAt(int index) const;

    const TRegistry* Registry;
    // Held by pointer so that inserting near the front of a long list moves pointers only.
    std::vector<std::unique_ptr<TRecipient>> Recipients;
};

// The program's one settings object, created on first use for the program's settings folder
// (beside the executable, or the user's configuration folder: ProgramFolders.h) and the user's
// registry.
TConfiguration& GetConfiguration();

} // namespace corvalet
