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
    // The access token of a token login (XOAUTH2, OAUTHBEARER): never a kept password; raises
    // EPasswordUnavailable.
    virtual std::string Token(const std::string& host, const std::string& user) = 0;
};

// The password as the first line of a command's output, as the user's mail tools take it from a
// password manager: the command is run with /bin/sh, and only when the settings file it comes from
// is the user's own (see FileTrustProblem).
class TCommandPasswordSource final : public TPasswordSource {
public:
    // `command` gives the command as it stands at the moment of the mailing; `settingsFile` is the
    // file it is read from.
    TCommandPasswordSource(std::function<std::string()> command, std::string settingsFile,
                           int timeoutMs = 60000);

    std::string Password(const std::string& host, const std::string& user) override;
    // The command's first line is the token as it is the password.
    std::string Token(const std::string& host, const std::string& user) override { return Password(host, user); }
    bool HasCommand() const;

private:
    std::function<std::string()> Command;
    std::string SettingsFile;
    int TimeoutMs;
};

// The desktop's store of secrets, kept per user and host.
class TSecretStore {
public:
    virtual ~TSecretStore() = default;
    // The kept password; empty with `error` empty when none is kept, empty with `error` set when
    // the store did not answer.
    virtual std::string Read(const std::string& host, const std::string& user, std::string& error) = 0;
    // Whether a password is kept, without handing it out; false with `error` set when the store
    // did not answer.
    virtual bool Has(const std::string& host, const std::string& user, std::string& error) = 0;
    // False with `error` set when the store did not take it.
    virtual bool Write(const std::string& host, const std::string& user, const std::string& password,
                       std::string& error) = 0;
};

// The password from the secret store when it holds one, else from the password command.
class TStoreOrCommandPasswordSource final : public TPasswordSource {
public:
    // Either may be null.
    TStoreOrCommandPasswordSource(TSecretStore* store, TCommandPasswordSource* command)
        : Store(store), Command(command) {}

    std::string Password(const std::string& host, const std::string& user) override;
    // Only the command gives a token: a password kept in the store never stands in for it.
    std::string Token(const std::string& host, const std::string& user) override;

private:
    TSecretStore* Store;
    TCommandPasswordSource* Command;
};

} // namespace corvalet
