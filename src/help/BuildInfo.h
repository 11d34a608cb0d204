#pragma once

#include <string>

namespace corvalet {

// The program's version, as the build set it.
std::string BuildVersion();
// The source revision the program was built from; "unknown" outside a source checkout.
std::string BuildRevision();
// Version and revision, as the About box shows them after "Build(".
std::string BuildVersionText();
// The web page of the project, linked from the About box.
std::string ProjectHomePage();

} // namespace corvalet
