#include "platform/posix/MsmtpRegistry.h"

#include "platform/TextFile.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <string_view>
#include <vector>

namespace corvalet {

namespace {

std::string Lower(std::string_view text) {
    std::string result(text);
    std::transform(result.begin(), result.end(), result.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
    return result;
}

bool IsSpace(char c) {
    return c == ' ' || c == '\t';
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsSpace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsSpace(text.back()))
        text.remove_suffix(1);
    return text;
}

// An argument in double quotes keeps its blanks; a backslash in it takes the next character as is.
std::string Unquote(std::string_view argument) {
    if (argument.size() < 2 || argument.front() != '"' || argument.back() != '"')
        return std::string(argument);
    std::string result;
    for (std::size_t i = 1; i + 1 < argument.size(); ++i) {
        if (argument[i] == '\\' && i + 2 < argument.size())
            ++i;
        result += argument[i];
    }
    return result;
}

using TCommands = std::map<std::string, std::string>;

// The accounts of a configuration file with the commands each one ends up with.
struct TAccounts {
    std::map<std::string, TCommands> Commands;
    // For "account NAME : OTHER" with no commands of its own: OTHER.
    std::map<std::string, std::string> AliasOf;
};

std::vector<std::string> SplitParents(std::string_view list) {
    std::vector<std::string> names;
    while (!list.empty()) {
        const std::size_t comma = list.find(',');
        const std::string_view name = Trim(list.substr(0, comma));
        if (!name.empty())
            names.emplace_back(name);
        if (comma == std::string_view::npos)
            break;
        list.remove_prefix(comma + 1);
    }
    return names;
}

TAccounts ParseAccounts(const std::vector<std::string>& lines) {
    TAccounts accounts;
    TCommands defaults;
    TCommands* current = nullptr; // the block that commands go to; none before the first block
    std::string currentName;
    for (const std::string& line : lines) {
        const std::string_view text = Trim(line);
        if (text.empty() || text.front() == '#')
            continue;
        const std::size_t gap = std::min(text.find_first_of(" \t"), text.size());
        const std::string command = Lower(text.substr(0, gap));
        const std::string_view argument = Trim(text.substr(gap));
        if (command == "defaults") {
            current = &defaults;
            currentName.clear();
        } else if (command == "account") {
            const std::size_t colon = argument.find(':');
            currentName = std::string(Trim(argument.substr(0, colon)));
            TCommands inherited = defaults;
            std::vector<std::string> parents;
            if (colon != std::string_view::npos)
                parents = SplitParents(argument.substr(colon + 1));
            for (const std::string& parent : parents) {
                const auto found = accounts.Commands.find(parent);
                if (found != accounts.Commands.end())
                    for (const auto& [name, value] : found->second)
                        inherited[name] = value;
            }
            accounts.Commands[currentName] = std::move(inherited);
            accounts.AliasOf.erase(currentName);
            if (parents.size() == 1)
                accounts.AliasOf[currentName] = parents.front();
            current = &accounts.Commands[currentName];
        } else if (current != nullptr) {
            (*current)[command] = Unquote(argument);
            if (!currentName.empty())
                accounts.AliasOf.erase(currentName);
        }
    }
    return accounts;
}

class TValuesKey final : public TRegistryKey {
public:
    explicit TValuesKey(std::map<std::string, std::string> values) : Values(std::move(values)) {}

    std::string ReadString(const std::string& name) const override {
        const auto found = Values.find(Lower(name));
        return found == Values.end() ? std::string() : found->second;
    }

private:
    std::map<std::string, std::string> Values; // names in lower case
};

std::string DefaultAccountName(const TAccounts& accounts) {
    if (accounts.Commands.count("default") == 0)
        return {};
    const auto alias = accounts.AliasOf.find("default");
    if (alias != accounts.AliasOf.end() && accounts.Commands.count(alias->second) != 0)
        return alias->second;
    return "default";
}

std::string CommandOf(const TCommands& commands, const std::string& name) {
    const auto found = commands.find(name);
    return found == commands.end() ? std::string() : found->second;
}

bool IsOn(const std::string& value) {
    const std::string word = Lower(value);
    return word == "on" || word.empty();
}

// "tls on" with "tls_starttls" on (its default) is STARTTLS; with it off, TLS from the first byte.
std::string SecurityOf(const TCommands& commands) {
    const auto tls = commands.find("tls");
    if (tls == commands.end() || !IsOn(tls->second))
        return "0";
    const auto startTls = commands.find("tls_starttls");
    return startTls == commands.end() || IsOn(startTls->second) ? "1" : "2";
}

// The port as written, else the one the account's security implies without one.
std::string PortOf(const TCommands& commands) {
    const std::string port = CommandOf(commands, "port");
    if (!port.empty())
        return port;
    return SecurityOf(commands) == "2" ? "465" : "";
}

// The user logs in only when "auth" is on or names a method; "off" or no "auth" means no login.
std::string UserOf(const TCommands& commands) {
    const auto auth = commands.find("auth");
    if (auth == commands.end() || Lower(auth->second) == "off")
        return {};
    return CommandOf(commands, "user");
}

// The methods Corvalet has a setting for; "on" and every other method leave the choice to
// Corvalet (PLAIN when offered, else LOGIN).
std::string AuthenticationOf(const TCommands& commands) {
    const std::string method = Lower(CommandOf(commands, "auth"));
    if (method == "plain")
        return "1";
    if (method == "login")
        return "2";
    if (method == "xoauth2")
        return "3";
    if (method == "oauthbearer")
        return "4";
    return {};
}

// "system" names the system's own store, which is trusted anyway.
std::string TrustFileOf(const TCommands& commands) {
    const std::string file = CommandOf(commands, "tls_trust_file");
    return Lower(file) == "system" ? std::string() : file;
}

} // namespace

TMsmtpRegistry::TMsmtpRegistry(std::string configPath) : Path(std::move(configPath)) {}

std::string TMsmtpRegistry::FindConfigFile(const char* xdgConfigHome, const char* home) {
    const std::string homeFolder = home != nullptr ? home : "";
    std::string configHome = xdgConfigHome != nullptr ? xdgConfigHome : "";
    if (configHome.empty() && !homeFolder.empty())
        configHome = homeFolder + "/.config";
    if (!configHome.empty()) {
        const std::string candidate = configHome + "/msmtp/config";
        std::error_code error;
        if (std::filesystem::is_regular_file(candidate, error))
            return candidate;
    }
    return homeFolder.empty() ? std::string() : homeFolder + "/.msmtprc";
}

std::unique_ptr<TRegistryKey> TMsmtpRegistry::OpenKey(const std::string& path) const {
    std::error_code error;
    if (Path.empty() || !std::filesystem::is_regular_file(Path, error))
        return nullptr;
    const std::string key = Lower(path);
    const std::string manager = Lower(AccountManagerKey);
    const std::string accountsPrefix = Lower(AccountsKey) + "\\";
    if (key != manager && key.rfind(accountsPrefix, 0) != 0)
        return nullptr;

    // An unreadable file gives a key without values, as a key whose values are absent.
    std::vector<std::string> lines;
    ReadTextLines(Path, lines);
    const TAccounts accounts = ParseAccounts(lines);
    if (key == manager)
        return std::make_unique<TValuesKey>(std::map<std::string, std::string>{
            {Lower(DefaultMailAccountValue), DefaultAccountName(accounts)}});

    // Account names are matched as written; only the key path ignores case.
    const std::string name = path.substr(accountsPrefix.size());
    const auto account = accounts.Commands.find(name);
    if (account == accounts.Commands.end())
        return nullptr;
    return std::make_unique<TValuesKey>(std::map<std::string, std::string>{
        {Lower(SMTPEmailAddressValue), CommandOf(account->second, "from")},
        {Lower(SMTPServerValue), CommandOf(account->second, "host")},
        {Lower(SMTPPortValue), PortOf(account->second)},
        {Lower(SMTPSecurityValue), SecurityOf(account->second)},
        {Lower(SMTPUserNameValue), UserOf(account->second)},
        {Lower(SMTPAuthenticationValue), AuthenticationOf(account->second)},
        {Lower(SMTPPasswordCommandValue), CommandOf(account->second, "passwordeval")},
        {Lower(SMTPTrustFileValue), TrustFileOf(account->second)},
    });
}

const TRegistry& UserRegistry() {
    static const TMsmtpRegistry registry(
        TMsmtpRegistry::FindConfigFile(std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME")));
    return registry;
}

} // namespace corvalet
