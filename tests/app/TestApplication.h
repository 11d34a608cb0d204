#pragma once

#include "support/QtTestApplication.h"
#include "ui/CorvaletApplication.h"

namespace corvalet::test {

// The program's own application object, so that its program-wide error handling is tested too.
inline TCorvaletApplication& TestApplication() {
    return QtTestApplication<TCorvaletApplication>();
}

} // namespace corvalet::test
