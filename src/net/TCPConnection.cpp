#include "net/TCPConnection.h"

#include <string_view>

#include "net/AntiFreeze.h"
#include "net/Deadline.h"
#include "net/Exceptions.h"
#include "net/Stack.h"
#include "net/TextHelpers.h"

namespace corvalet {

namespace {

// Socket codes after which the connection is gone: the socket is dropped before they are raised.
constexpr int Shutdown = SocketErrorCode::Shutdown;
constexpr int Aborted = SocketErrorCode::ConnectionAborted;
constexpr int Reset = SocketErrorCode::ConnectionReset;
constexpr int WouldBlock = SocketErrorCode::WouldBlock;

} // namespace

TNetTCPConnection::TNetTCPConnection() {
    InBuffer.OnRemoved = [this](std::size_t count) {
        WorkProgress(TWorkMode::wmRead, static_cast<std::int64_t>(count));
    };
}

TNetTCPConnection::~TNetTCPConnection() = default;

void TNetTCPConnection::NotifyDisconnected() {
    if (OnDisconnected)
        OnDisconnected(*this);
}

void TNetTCPConnection::ResetInput() {
    InBuffer.Clear();
    PeerClosed = false;
}

void TNetTCPConnection::CheckPeerClosed(bool raiseIfDisconnected, bool ignoreBuffer) {
    if (Handler == nullptr)
        return;
    bool disconnected = !Handler->IsOpen();
    if (PeerClosed) {
        if (Handler->IsOpen()) {
            DropSocket();
            ReportStatus(TNetStatus::hsDisconnected);
            NotifyDisconnected();
        }
        disconnected = true;
    }
    if (disconnected && (InBuffer.Empty() || ignoreBuffer) && raiseIfDisconnected)
        throw ENetConnClosedGracefully();
}

bool TNetTCPConnection::IsConnected() {
    CheckPeerClosed(false, false);
    return Handler != nullptr && Handler->IsOpen();
}

void TNetTCPConnection::Disconnect() {
    const bool wasOpen = IsConnected();
    if (wasOpen) {
        ReportStatus(TNetStatus::hsDisconnecting);
        DropSocket();
        NotifyDisconnected();
        ReportStatus(TNetStatus::hsDisconnected);
    }
}

void TNetTCPConnection::DropSocket() {
    if (Handler != nullptr)
        Handler->Close();
}

void TNetTCPConnection::SetIOHandler(TNetIOHandler* handler) {
    Handler = handler;
    OwnedHandler.reset();
}

long TNetTCPConnection::FillInputBuffer(bool raiseIfDisconnected, int timeout, bool raiseOnTimeout) {
    if (timeout == -1)
        timeout = ReadTimeout == 0 ? -2 : ReadTimeout;
    long result = 0;
    CheckPeerClosed(raiseIfDisconnected, false);
    if (!IsConnected()) {
        if (raiseIfDisconnected)
            throw ENetNotConnected();
        return 0;
    }
    TNetStack& stack = *TheStack();
    for (;;) {
        if (!Handler->WaitReadable(timeout)) {
            if (raiseOnTimeout)
                throw ENetReadTimeout();
            return -1;
        }
        ReceiveChunk.resize(static_cast<std::size_t>(RecvBufferSize > 0 ? RecvBufferSize : 1));
        long n = Handler->ReceiveBytes(ReceiveChunk.data(), ReceiveChunk.size());
        PeerClosed = n == 0;
        if (n != 0) {
            // After a reset the connection is gone as after an abort: dropped before the report,
            // so that nothing else (the QUIT of the disconnect) fails on it a second time.
            if (stack.CheckSocketResult(n, {Shutdown, Aborted, Reset})) {
                n = 0;
                DropSocket();
                if (InBuffer.Empty())
                    stack.ThrowSocketError(stack.LastErrorCode);
            }
            if (n > 0)
                InBuffer.Append(ReceiveChunk.data(), static_cast<std::size_t>(n));
        }
        CheckPeerClosed(raiseIfDisconnected, false);
        result = n;
        if (!(n == 0 && IsConnected()))
            return result;
    }
}

std::string TNetTCPConnection::TakeOverlongLine(std::size_t maxLength) {
    if (MaxLineAction == TNetMaxLineAction::maException)
        throw ENetReadLnMaxLineLengthExceeded();
    LineWasSplit = true;
    return InBuffer.Extract(maxLength);
}

std::string TNetTCPConnection::ReadLine(const std::string& terminator, int timeout, int maxLength) {
    if (maxLength < 0)
        maxLength = MaxLineLength;
    const std::string_view term = terminator.empty() ? std::string_view("\n") : std::string_view(terminator);
    const std::size_t limit = static_cast<std::size_t>(maxLength);
    const bool raiseOnTimeout = timeout == -1;
    if (timeout == -1)
        timeout = ReadTimeout == 0 ? -2 : ReadTimeout;
    // The whole line arrives within the time-out, however its bytes are spread out.
    const TNetDeadline deadline(timeout);
    LineWasSplit = false;
    LineTimedOut = false;
    std::size_t scanned = 0;
    for (;;) {
        std::size_t lineLength = std::string_view::npos;
        const std::size_t size = InBuffer.Size();
        if (size > 0) {
            // Only the bytes that came since the last search are searched again, starting far
            // enough back to find a terminator that the last receive cut in two.
            const std::size_t from = scanned >= term.size() - 1 ? scanned - (term.size() - 1) : 0;
            lineLength = std::string_view(InBuffer.Data(), size).find(term, from);
            scanned = size;
        }
        if (lineLength != std::string_view::npos) {
            if (limit != 0 && lineLength > limit)
                return TakeOverlongLine(limit);
            std::string line(InBuffer.Data(), lineLength);
            InBuffer.Remove(lineLength + term.size());
            if (term == "\n" && !line.empty() && line.back() == '\r')
                line.pop_back();
            return line;
        }
        if (limit != 0 && scanned > limit)
            return TakeOverlongLine(limit);
        CheckPeerClosed(true, true);
        LineTimedOut = FillInputBuffer(true, deadline.Left(), raiseOnTimeout) == -1;
        if (LineTimedOut)
            return std::string();
    }
}

std::string TNetTCPConnection::ReadNonEmptyLine(int maxAttempts) {
    std::string result;
    for (int attempt = 0; attempt < maxAttempts && result.empty(); ++attempt)
        result = TrimControl(ReadLine("\n", -1, -1));
    return result;
}

std::string TNetTCPConnection::ReadBytes(std::size_t count) {
    while (InBuffer.Size() < count) {
        CheckPeerClosed(true, true);
        FillInputBuffer(true, -1, true);
    }
    return InBuffer.Extract(count);
}

void TNetTCPConnection::WriteText(const std::string& text) {
    if (!text.empty())
        WriteBytes(text.data(), text.size());
}

void TNetTCPConnection::WriteLine(const std::string& text) {
    WriteText(text + "\r\n");
}

void TNetTCPConnection::WriteLines(const std::vector<std::string>& lines) {
    for (const std::string& line : lines)
        WriteLine(line);
}

void TNetTCPConnection::WriteBytes(const char* data, std::size_t count) {
    if (count == 0 || data == nullptr)
        return;
    SendNow(data, count);
}

// Every send goes through here and so under the write time-out.
void TNetTCPConnection::SendNow(const char* data, std::size_t count) {
    CheckPeerClosed(true, true);
    if (!IsConnected())
        throw ENetNotConnected();
    TNetStack& stack = *TheStack();
    std::size_t position = 0;
    while (position < count) {
        const long n = Handler->SendBytes(data + position, count - position);
        PeerClosed = n == 0;
        CheckPeerClosed(true, false);
        if (stack.CheckSocketResult(n, {Shutdown, Aborted, Reset, WouldBlock})) {
            if (stack.LastErrorCode == WouldBlock) {
                WaitForRoom();
                continue;
            }
            DropSocket();
            stack.ThrowSocketError(stack.LastErrorCode);
        }
        YieldToUI(false, false);
        WorkProgress(TWorkMode::wmWrite, n);
        position += static_cast<std::size_t>(n);
    }
}

void TNetTCPConnection::WaitForRoom() {
    if (Handler->WaitWritable(ReadTimeout == 0 ? -2 : ReadTimeout))
        return;
    DropSocket();
    throw ENetWriteTimeout();
}

std::string TNetTCPConnection::ReadReplyLine(std::size_t& bytes, const TNetDeadline& deadline) {
    for (;;) {
        const std::string line = ReadLine("\n", deadline.Left(), -1);
        if (LineTimedOut)
            throw ENetReadTimeout();
        // Counted with its line end, so that endless blank lines are bounded too.
        bytes += line.size() + 2;
        if (bytes > MaxReplyBytes) {
            DropSocket();
            throw ENetReplyTooLong(MaxReplyLines, MaxReplyBytes);
        }
        std::string trimmed = TrimControl(line);
        if (!trimmed.empty())
            return trimmed;
    }
}

int TNetTCPConnection::ReadReply(std::span<const int> expected) {
    std::vector<std::string> lines;
    std::size_t bytes = 0;
    // The whole reply, every line of it, arrives within the read time-out: a server that sends a
    // byte or a line now and then cannot keep one reply going for ever.
    const TNetDeadline deadline(ReadTimeout == 0 ? -2 : ReadTimeout);
    lines.push_back(ReadReplyLine(bytes, deadline));
    const std::string& first = lines.front();
    if (first.size() > 3 && first[3] == '-') {
        const std::string code = first.substr(0, 3);
        for (;;) {
            if (lines.size() >= MaxReplyLines) {
                DropSocket();
                throw ENetReplyTooLong(MaxReplyLines, MaxReplyBytes);
            }
            lines.push_back(ReadReplyLine(bytes, deadline));
            if (EndsMultiLineReply(code, lines.back()))
                break;
        }
    }
    LastReply.ParseReply(lines);
    return CheckReplyCode(LastReply.NumericCode(), expected);
}

int TNetTCPConnection::CheckReplyCode(int code, std::span<const int> expected) {
    if (expected.empty())
        return code;
    for (const int candidate : expected) {
        if (candidate == code)
            return code;
    }
    RaiseReplyError();
}

int TNetTCPConnection::SendCommand(const std::string& line, std::span<const int> expected) {
    WriteLine(line);
    return ReadReply(expected);
}

int TNetTCPConnection::SendCommand(const std::string& line, int expectedCode) {
    if (expectedCode == -1)
        return SendCommand(line, std::span<const int>());
    return SendCommand(line, std::span<const int>(&expectedCode, 1));
}

void TNetTCPConnection::RaiseReplyError() {
    std::string message;
    for (const std::string& line : LastReply.Text)
        message += line + "\r\n";
    throw ENetProtocolReplyError(LastReply.NumericCode(), message);
}

} // namespace corvalet
