#pragma once

#include <openssl/crypto.h>

#include <string>
#include <utility>

namespace corvalet {

// Overwrites a password, or text made from one, where it stands and empties the string. The whole
// capacity is overwritten: a longer text held before may still stand behind the current one.
inline void WipeSecret(std::string& secret) {
    secret.resize(secret.capacity());
    OPENSSL_cleanse(secret.data(), secret.size());
    secret.clear();
}

// Moves a password out of `secret` and wipes what the move leaves behind in it (a short text is
// copied, not moved).
inline std::string TakeSecret(std::string& secret) {
    std::string taken(std::move(secret));
    WipeSecret(secret);
    return taken;
}

// Wipes a string when the scope it guards ends, however it ends.
class TSecretWipe {
public:
    explicit TSecretWipe(std::string& secret) : Secret(secret) {}
    ~TSecretWipe() { WipeSecret(Secret); }
    TSecretWipe(const TSecretWipe&) = delete;
    TSecretWipe& operator=(const TSecretWipe&) = delete;

private:
    std::string& Secret;
};

} // namespace corvalet
