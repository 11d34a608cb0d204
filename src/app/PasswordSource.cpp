#include "app/PasswordSource.h"

#include "net/AntiFreeze.h"
#include "platform/Command.h"
#include "platform/TextFile.h"
#include "smtp/WipeSecret.h"

namespace corvalet {

namespace {

constexpr std::size_t MaxOutput = 65536;
constexpr int DefaultSliceMs = 100;

} // namespace

TCommandPasswordSource::TCommandPasswordSource(std::function<std::string()> command, std::string settingsFile,
                                               int timeoutMs)
    : Command(std::move(command)), SettingsFile(std::move(settingsFile)), TimeoutMs(timeoutMs) {}

bool TCommandPasswordSource::HasCommand() const {
    return Command && !Command().empty();
}

std::string TCommandPasswordSource::Password(const std::string& host, const std::string& user) {
    const std::string command = Command ? Command() : std::string();
    const std::string whose = " for " + user + " at " + host;
    if (command.empty())
        throw EPasswordUnavailable("No password" + whose + ": no password command is set");
    // Another user who could write the settings could have any command run as this user.
    if (const std::string problem = FileTrustProblem(SettingsFile); !problem.empty())
        throw EPasswordUnavailable("The password command" + whose + " is not run: " + problem);
    // The windows stay alive while the command runs, as they do while a mailing waits on the network.
    const TNetAntiFreeze* freeze = TheAntiFreeze();
    TCommandOutput result = RunShellCommand(command, TimeoutMs, MaxOutput, [] { YieldToUI(true); },
                                            freeze != nullptr ? freeze->IdleTimeOut : DefaultSliceMs);
    // The output holds the password whether or not the command succeeded.
    const TSecretWipe wipeOutput(result.Output);
    if (!result.Started)
        throw EPasswordUnavailable("The password command" + whose + " could not be started");
    if (result.TimedOut)
        throw EPasswordUnavailable("The password command" + whose + " did not end in time");
    if (result.ExitStatus != 0)
        throw EPasswordUnavailable("The password command" + whose + " failed with exit status " +
                                   std::to_string(result.ExitStatus));
    std::string password = result.Output.substr(0, result.Output.find('\n'));
    if (!password.empty() && password.back() == '\r')
        password.pop_back();
    if (password.empty())
        throw EPasswordUnavailable("The password command" + whose + " gave no password");
    return password;
}

std::string TStoreOrCommandPasswordSource::Password(const std::string& host, const std::string& user) {
    std::string storeError;
    if (Store != nullptr) {
        std::string kept = Store->Read(host, user, storeError);
        if (!kept.empty())
            return TakeSecret(kept);
    }
    if (Command != nullptr && Command->HasCommand())
        return Command->Password(host, user);
    const std::string store = Store == nullptr ? "there is no secret store"
                              : storeError.empty() ? "none is kept in the secret store"
                                                   : "the secret store did not answer (" + storeError + ")";
    throw EPasswordUnavailable("No password for " + user + " at " + host + ": " + store +
                               ", and no password command is set");
}

std::string TStoreOrCommandPasswordSource::Token(const std::string& host, const std::string& user) {
    if (Command == nullptr || !Command->HasCommand())
        throw EPasswordUnavailable("No access token for " + user + " at " + host + ": no password command is set");
    return Command->Token(host, user);
}

} // namespace corvalet
