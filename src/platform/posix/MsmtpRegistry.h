#pragma once

#include "platform/Registry.h"

#include <string>

namespace corvalet {

// The registry read from the user's SMTP client configuration file (account blocks of "command
// argument" lines). The account manager key opens when the file exists; its "default mail account"
// names the account called "default", or the account that "account default : NAME" merely points
// at. An accounts key opens for every account in the file and gives its "from" as "SMTP Email
// Address" and its "host" as "SMTP Server", with the values it inherits from "defaults" and from
// the accounts it names after a colon.
class TMsmtpRegistry final : public TRegistry {
public:
    explicit TMsmtpRegistry(std::string configPath);

    // The configuration file of a user: <config home>/msmtp/config when it exists, the config home
    // being $XDG_CONFIG_HOME or else ~/.config; otherwise ~/.msmtprc. Null or empty arguments count
    // as unset; without a home folder there is no file.
    static std::string FindConfigFile(const char* xdgConfigHome, const char* home);

    const std::string& ConfigPath() const { return Path; }
    std::unique_ptr<TRegistryKey> OpenKey(const std::string& path) const override;

private:
    std::string Path;
};

} // namespace corvalet
