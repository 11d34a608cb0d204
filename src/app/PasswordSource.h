#pragma once

#include <functional>
#include <stdexcept>
#include <string>

namespace corvalet {

// No password could be had; the message says why, in one line, without any password in it.
class EPasswordUnavailable : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Where the password of a login comes from at the moment of a mailing. It is never stored in the
// settings file and never written to the log.
class TPasswordSource {
public:
    virtual ~TPasswordSource() = default;
    // The password of `user` at `host`; raises EPasswordUnavailable.
    virtual std::string Password(const std::string& host, const std::string& user) = 0;
};

// The password as the first line of a command's output, as the user's mail tools take it from a
// password manager: the command is run with /bin/sh.
class TCommandPasswordSource final : public TPasswordSource {
public:
    // `command` gives the command as it stands at the moment of the mailing.
    explicit TCommandPasswordSource(std::function<std::string()> command, int timeoutMs = 60000);

    std::string Password(const std::string& host, const std::string& user) override;
    bool HasCommand() const;

private:
    std::function<std::string()> Command;
    int TimeoutMs;
};

} // namespace corvalet
