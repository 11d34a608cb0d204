#pragma once

#include <string>
#include <vector>

#include "support/LoopbackServer.h"

namespace corvalet::test {

enum class TSMTPAction {
    Reply,          // send the reply and read the next command
    ReplyThenClose, // send the reply and close the connection
    Silent,         // answer nothing more until the client closes
    Reset,          // reset the connection instead of answering
    StopReading,    // send the reply, then read nothing for StopReadingMs and close; once only, later
                    // connections get the default answer
};

// How the server answers a command line that starts with `Command` (case-sensitive). The command
// "." stands for the end of the message data; "" for the greeting.
struct TSMTPRule {
    std::string Command;
    std::string Reply;
    TSMTPAction Action = TSMTPAction::Reply;
    // How long the server thinks before it answers.
    int DelayMs = 0;
};

// An SMTP server on 127.0.0.1 that answers each command from a table and records every line it
// receives, the message data included. Without a rule: greeting "220", DATA "354", the end of data
// "250", QUIT "221" and a close, everything else "250".
class TScriptedSMTPServer {
public:
    explicit TScriptedSMTPServer(std::vector<TSMTPRule> rules = {});

    int Port() const { return Server.Port(); }
    // How long a StopReading rule keeps the server from reading.
    std::atomic<int> StopReadingMs{500};
    // Every line received on every connection so far, without CR LF.
    std::vector<std::string> Lines() const;
    // Waits until `count` connections have ended.
    bool WaitForConnectionsEnded(int count = 1, int timeoutMs = 3000) const {
        return Server.WaitForConnectionsEnded(count, timeoutMs);
    }

private:
    // Answers one line; false when the connection is to end. `startsData` tells whether the
    // message data follows.
    bool Answer(TLoopbackPeer& peer, const std::string& line, bool& startsData);
    void Converse(TLoopbackPeer& peer);
    void Record(const std::string& line);

    std::vector<TSMTPRule> Rules;
    bool StoppedReading = false;
    mutable std::mutex Lock;
    std::vector<std::string> Received;
    TLoopbackServer Server;
};

} // namespace corvalet::test
