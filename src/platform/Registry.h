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

// The registry of the running user, on this platform made from the user's own SMTP client
// configuration.
const TRegistry& UserRegistry();

} // namespace corvalet
