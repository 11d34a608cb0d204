#include "support/ScriptedSMTPServer.h"

#include <chrono>
#include <thread>

namespace corvalet::test {

namespace {

TSMTPRule DefaultRule(const std::string& line) {
    if (line.empty())
        return {"", "220 scripted ESMTP\r\n"};
    if (line.rfind("DATA", 0) == 0)
        return {"DATA", "354 End data with <CR><LF>.<CR><LF>\r\n"};
    if (line.rfind("QUIT", 0) == 0)
        return {"QUIT", "221 Bye\r\n", TSMTPAction::ReplyThenClose};
    if (line == ".")
        return {".", "250 Queued\r\n"};
    return {line, "250 OK\r\n"};
}

} // namespace

TScriptedSMTPServer::TScriptedSMTPServer(std::vector<TSMTPRule> rules)
    : Rules(std::move(rules)), Server([this](TLoopbackPeer& peer) { Converse(peer); }) {}

std::vector<std::string> TScriptedSMTPServer::Lines() const {
    std::lock_guard lock(Lock);
    return Received;
}

void TScriptedSMTPServer::Record(const std::string& line) {
    std::lock_guard lock(Lock);
    Received.push_back(line);
}

bool TScriptedSMTPServer::Answer(TLoopbackPeer& peer, const std::string& line, bool& startsData) {
    TSMTPRule rule = DefaultRule(line);
    for (const TSMTPRule& candidate : Rules) {
        // The greeting and the end of data match exactly, commands by their start.
        const bool exact = line.empty() || line == ".";
        const bool matches = exact ? candidate.Command == line
                                   : !candidate.Command.empty() && line.rfind(candidate.Command, 0) == 0;
        if (matches && !(candidate.Action == TSMTPAction::StopReading && StoppedReading)) {
            rule = candidate;
            break;
        }
    }
    if (rule.Action == TSMTPAction::Silent) {
        // Still listening: what the client sends meanwhile is recorded, never answered.
        std::string unanswered;
        while (peer.ReadLine(unanswered, 5000))
            Record(unanswered);
        return false;
    }
    if (rule.Action == TSMTPAction::Reset) {
        peer.Reset();
        return false;
    }
    if (rule.DelayMs > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(rule.DelayMs));
    peer.Send(rule.Reply);
    if (rule.Action == TSMTPAction::StopReading) {
        StoppedReading = true;
        peer.StopReading(StopReadingMs);
        return false;
    }
    startsData = line.rfind("DATA", 0) == 0 && rule.Reply.rfind("354", 0) == 0;
    return rule.Action == TSMTPAction::Reply;
}

void TScriptedSMTPServer::Converse(TLoopbackPeer& peer) {
    bool inData = false;
    if (!Answer(peer, "", inData))
        return;
    std::string line;
    while (peer.ReadLine(line)) {
        Record(line);
        if (inData && line != ".")
            continue;
        inData = false;
        if (!Answer(peer, line, inData))
            return;
    }
}

} // namespace corvalet::test
