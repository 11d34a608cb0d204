#pragma once

#include <string>

#include "net/Exceptions.h"

namespace corvalet {

// An address or command argument that holds CR, LF or NUL, refused before anything is written.
class ENetUnsafeCommandText : public ENetException {
public:
    explicit ENetUnsafeCommandText(const std::string& what)
        : ENetException(what + " holds a line break or NUL character") {}
};

} // namespace corvalet
