#pragma once

#include <climits>
#include <cstddef>
#include <initializer_list>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "net/Component.h"
#include "net/Deadline.h"
#include "net/IOHandler.h"
#include "net/ManagedBuffer.h"
#include "net/RFCReply.h"

namespace corvalet {

enum class TNetMaxLineAction { maException, maSplit };

// A blocking, line-oriented TCP connection: reads lines under a time-out and a maximum length,
// writes text, lines and bytes, and reads numeric protocol replies. Time-outs are milliseconds;
// -1 asks for the default (ReadTimeout, or no limit when that is 0) and -2 for no limit.
class TNetTCPConnection : public TNetComponent {
public:
    TNetTCPConnection();
    ~TNetTCPConnection() override;

    virtual void NotifyDisconnected();
    // Empties the input and forgets that the peer closed.
    virtual void ResetInput();
    // Closes a connection the peer has closed; raises "Connection Closed Gracefully." when the
    // connection is closed, `raiseIfDisconnected` is given and nothing (or, with `ignoreBuffer`,
    // nothing that matters) is left to read.
    virtual void CheckPeerClosed(bool raiseIfDisconnected, bool ignoreBuffer);
    virtual bool IsConnected();
    virtual void Disconnect();
    // Releases the socket; the handler and the unread input stay.
    virtual void DropSocket();

    // Waits for bytes and appends them to InBuffer: the byte count, 0 when the connection closed,
    // -1 on a time-out that was not to be raised.
    virtual long FillInputBuffer(bool raiseIfDisconnected, int timeout, bool raiseOnTimeout);
    // The next line without its terminator. With "\n" a CR right before the LF is dropped too.
    // The time-out is for the whole line. An explicit time-out that passes returns "" and sets
    // LineTimedOut; the default one raises "Read Timeout". maxLength -1 means MaxLineLength, 0 no
    // limit.
    virtual std::string ReadLine(const std::string& terminator = "\n", int timeout = -1, int maxLength = -1);
    // The next line that is not empty once trimmed of blanks and control characters, trimmed.
    std::string ReadNonEmptyLine(int maxAttempts);
    // Exactly `count` bytes, waiting until they have arrived.
    std::string ReadBytes(std::size_t count);

    virtual void WriteText(const std::string& text);
    // The text followed by CR LF, in one write.
    virtual void WriteLine(const std::string& text);
    void WriteLines(const std::vector<std::string>& lines);
    virtual void WriteBytes(const char* data, std::size_t count);

    // Reads one reply into LastReply and checks its code against `expected` (empty: any code).
    // All of its lines arrive within ReadTimeout from the start, or it raises "Read Timeout".
    // A reply of more than MaxReplyLines lines or MaxReplyBytes bytes (blank lines before it
    // included) raises ENetReplyTooLong and drops the connection: a server that never ends its
    // reply must not fill the memory.
    virtual int ReadReply(std::span<const int> expected);
    int ReadReply(std::initializer_list<int> expected) { return ReadReply(AsSpan(expected)); }
    // The code when `expected` is empty or holds it; otherwise raises RaiseReplyError.
    virtual int CheckReplyCode(int code, std::span<const int> expected);
    // Writes the line, then reads and checks the reply. A single code of -1 accepts any code.
    virtual int SendCommand(const std::string& line, std::span<const int> expected);
    int SendCommand(const std::string& line, std::initializer_list<int> expected) {
        return SendCommand(line, AsSpan(expected));
    }
    int SendCommand(const std::string& line, int expectedCode = -1);
    // Raises ENetProtocolReplyError with LastReply's code and its text lines, each ended by CR LF.
    [[noreturn]] void RaiseReplyError();

    TNetIOHandler* IOHandler() const { return Handler; }
    // Uses a handler that the caller owns.
    void SetIOHandler(TNetIOHandler* handler);
    bool OwnsIOHandler() const { return OwnedHandler != nullptr; }

    // Also the limit of a write that makes no progress: "Write Timeout".
    int ReadTimeout = 0;
    int MaxLineLength = 16384;
    TNetMaxLineAction MaxLineAction = TNetMaxLineAction::maException;
    int RecvBufferSize = 32768;
    int SendBufferSize = 32768;
    std::size_t MaxReplyLines = 1000;
    std::size_t MaxReplyBytes = 1024 * 1024;
    TNetManagedBuffer InBuffer;
    bool PeerClosed = false;
    bool LineWasSplit = false;
    bool LineTimedOut = false;
    TNetRFCReply LastReply;
    TNotifyEvent OnDisconnected;

protected:
    static std::span<const int> AsSpan(std::initializer_list<int> codes) {
        return {codes.begin(), codes.size()};
    }
    std::string TakeOverlongLine(std::size_t maxLength);
    // The next line of a reply that is not blank, trimmed; `bytes` counts what the reply took of
    // the input so far and is checked against MaxReplyBytes. A line that has not come whole by
    // `deadline` raises "Read Timeout".
    std::string ReadReplyLine(std::size_t& bytes, const TNetDeadline& deadline);
    void SendNow(const char* data, std::size_t count);
    // Waits until the peer takes more bytes; a peer that takes nothing for ReadTimeout raises
    // "Write Timeout" and the socket is dropped, as the stream could not be resumed.
    void WaitForRoom();

    TNetIOHandler* Handler = nullptr;
    // A handler made by Connect stays until the connection is destroyed, so that a window event
    // serviced in the middle of a wait can disconnect without pulling the handler away under it.
    std::unique_ptr<TNetIOHandler> OwnedHandler;

private:
    std::vector<char> ReceiveChunk;
};

} // namespace corvalet
