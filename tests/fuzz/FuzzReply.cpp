// The reply reader and the line reader over bytes a server could send: every read ends (with a
// reply or a failure of the network family), no reply passes its bounds, and a line never holds its
// own terminator.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "net/Exceptions.h"
#include "net/TCPConnection.h"
#include "support/ScriptedHandler.h"

using namespace corvalet;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2)
        return 0;
    test::TScriptedHandler handler;
    handler.PieceSize = 1 + data[0] % 64;
    handler.EndWithClose = (data[1] & 1) != 0;
    handler.Feed(std::string(reinterpret_cast<const char*>(data) + 2, size - 2));

    TNetTCPConnection connection;
    connection.SetIOHandler(&handler);
    connection.ReadTimeout = 1;
    connection.MaxReplyLines = 50;
    connection.MaxReplyBytes = 4096;
    connection.MaxLineLength = 512;
    const bool lines = (data[1] & 2) != 0;
    for (int round = 0; round < 10000; ++round) {
        try {
            if (lines) {
                const std::string line = connection.ReadLine("\r\n", 1, -1);
                if (connection.LineTimedOut)
                    break;
                if (line.find("\r\n") != std::string::npos || line.size() > 512)
                    std::abort();
            } else {
                connection.ReadReply({});
                if (connection.LastReply.Text.size() > connection.MaxReplyLines)
                    std::abort();
                for (const std::string& text : connection.LastReply.Text) {
                    if (text.find('\n') != std::string::npos || text.size() > 512)
                        std::abort();
                }
            }
        } catch (const ENetException&) {
            break;
        }
    }
    return 0;
}
