#pragma once

#include <memory>
#include <string>

namespace corvalet {

// One opened key of the user's settings registry, read-only.
class TRegistryKey {
public:
    virtual ~TRegistryKey() = default;
    // The string value of that name; an absent value reads as empty. Names ignore letter case.
    virtual std::string ReadString(const std::string& name) const = 0;
};

// The user's settings registry, read-only: keys are paths of names separated by "\", under the
// current user. Key paths ignore letter case.
class TRegistry {
public:
    virtual ~TRegistry() = default;
    // Opens an existing key without creating it; nothing when there is no such key.
    virtual std::unique_ptr<TRegistryKey> OpenKey(const std::string& path) const = 0;
};

// Where the user's default mail account is kept, and the names of its values.
inline constexpr const char* AccountManagerKey = "software\\mail\\account manager";
inline constexpr const char* AccountsKey = "software\\mail\\account manager\\accounts";
inline constexpr const char* DefaultMailAccountValue = "default mail account";
inline constexpr const char* SMTPEmailAddressValue = "SMTP Email Address";
inline constexpr const char* SMTPServerValue = "SMTP Server";
// How the account reaches its server; every one of these may be absent (empty).
inline constexpr const char* SMTPPortValue = "SMTP Port";
// "0" plain, "1" STARTTLS, "2" TLS from the first byte.
inline constexpr const char* SMTPSecurityValue = "SMTP Security";
// The login name; empty when the account does not log in.
inline constexpr const char* SMTPUserNameValue = "SMTP User Name";
// The login method: "1" PLAIN, "2" LOGIN, "3" XOAUTH2, "4" OAUTHBEARER; empty: automatic.
inline constexpr const char* SMTPAuthenticationValue = "SMTP Authentication";
// A command whose first line of output is the password (or the access token).
inline constexpr const char* SMTPPasswordCommandValue = "SMTP Password Command";
// A file of certificates to trust besides the system's.
inline constexpr const char* SMTPTrustFileValue = "SMTP Trust File";

// The registry of the running user, on this platform made from the user's own SMTP client
// configuration.
const TRegistry& UserRegistry();

} // namespace corvalet
