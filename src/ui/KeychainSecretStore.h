#pragma once

#include "app/PasswordSource.h"

namespace corvalet {

// The desktop's secret store through QtKeychain, under the service "Corvalet" and the key
// "USER@HOST". Each call waits for the store's answer in a local event loop, so the windows stay
// alive meanwhile.
class TKeychainSecretStore final : public TSecretStore {
public:
    std::string Read(const std::string& host, const std::string& user, std::string& error) override;
    // QtKeychain can only read an entry: the answer is read and wiped at once.
    bool Has(const std::string& host, const std::string& user, std::string& error) override;
    bool Write(const std::string& host, const std::string& user, const std::string& password,
               std::string& error) override;
};

} // namespace corvalet
