#pragma once

namespace corvalet {

// Runs Corvalet: the application object, the data module, the configuration window with its
// notification icon and schedule, and the message loop until "Exit". Returns the exit code.
int RunCorvalet(int argc, char** argv);

} // namespace corvalet
