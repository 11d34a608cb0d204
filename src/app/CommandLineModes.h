#pragma once

#include "app/CommandLine.h"
#include "platform/Clock.h"
#include "platform/FormatSettings.h"
#include "platform/ProgramFolders.h"

#include <iosfwd>
#include <string>

namespace corvalet {

class TConfiguration;
class TPasswordSource;

// What the command-line modes work with: no window and no display, only the saved settings.
struct TCommandLineContext {
    // The program's name as the usage shows it.
    std::string ProgramName;
    // "Corvalet 0.1.0 rev 1a2b3c4" for --version.
    std::string VersionText;
    TProgramFolders Folders;
    TConfiguration& Configuration;
    // The password of a login for --send-now: the resident program's source (secret store, then
    // password command).
    TPasswordSource& Passwords;
    const TClock& Clock;
    const TFormatSettings& Formats;
    std::ostream& Out;
    std::ostream& Err;
};

// Runs every mode but Run and returns the process's exit code: --help and --version 0; a refused
// command line 2 (with the usage on the error output); --preview and --send-now 0 when the message
// was written out or sent, 1 with the mail job's error text when not. --preview writes the session
// (server, protection, login), an empty line, then the envelope and the message, and asks for no
// password. --send-now runs the session of a scheduled mailing and logs as a mailing
// of the hidden program is logged: a session's outcome, and an error before the session as the
// program-wide handler logs it.
int RunCommandLineMode(const TCommandLine& line, TCommandLineContext& context);

} // namespace corvalet
