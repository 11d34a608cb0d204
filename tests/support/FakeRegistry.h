#pragma once

#include "platform/Registry.h"

#include <algorithm>
#include <map>
#include <string>

namespace corvalet::test {

// A registry held in memory: keys exist once they are added or given a value.
class TFakeRegistry final : public TRegistry {
public:
    void AddKey(const std::string& path) { Keys[Lower(path)]; }
    void SetString(const std::string& path, const std::string& name, const std::string& value) {
        Keys[Lower(path)][Lower(name)] = value;
    }
    // A default mail account with its address and server, as a mail program leaves it.
    void SetDefaultAccount(const std::string& account, const std::string& address,
                           const std::string& server) {
        SetString(AccountManagerKey, DefaultMailAccountValue, account);
        const std::string key = std::string(AccountsKey) + "\\" + account;
        SetString(key, SMTPEmailAddressValue, address);
        SetString(key, SMTPServerValue, server);
    }

    std::unique_ptr<TRegistryKey> OpenKey(const std::string& path) const override {
        const auto found = Keys.find(Lower(path));
        if (found == Keys.end())
            return nullptr;
        return std::make_unique<TKey>(found->second);
    }

private:
    using TValues = std::map<std::string, std::string>;

    class TKey final : public TRegistryKey {
    public:
        explicit TKey(TValues values) : Values(std::move(values)) {}
        std::string ReadString(const std::string& name) const override {
            const auto found = Values.find(Lower(name));
            return found == Values.end() ? std::string() : found->second;
        }

    private:
        TValues Values;
    };

    static std::string Lower(std::string text) {
        std::transform(text.begin(), text.end(), text.begin(),
                       [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
        return text;
    }

    std::map<std::string, TValues> Keys;
};

} // namespace corvalet::test
