#include "net/Stack.h"

#include <algorithm>
#include <vector>
#include <memory>
#include <mutex>
#include <utility>

#include "net/Exceptions.h"
#include "net/TextHelpers.h"

namespace corvalet {

namespace {

std::mutex StackLock;
int LivingComponents = 0;
std::unique_ptr<TNetStack> Instance;

const std::pair<int, const char*> ErrorTexts[] = {
    {10004, "Interrupted system call."},
    {10009, "Bad file number."},
    {10013, "Access denied."},
    {10014, "Bad address."},
    {10022, "Invalid argument."},
    {10024, "Too many open files."},
    {10035, "Operation would block. "},
    {10036, "Operation now in progress."},
    {10037, "Operation already in progress."},
    {10038, "Socket operation on non-socket."},
    {10039, "Destination address required."},
    {10040, "Message too long."},
    {10041, "Protocol wrong type for socket."},
    {10042, "Bad protocol option."},
    {10043, "Protocol not supported."},
    {10044, "Socket type not supported."},
    {10045, "Operation not supported on socket."},
    {10046, "Protocol family not supported."},
    {10047, "Address family not supported by protocol family."},
    {10048, "Address already in use."},
    {10049, "Cannot assign requested address."},
    {10050, "Network is down."},
    {10051, "Network is unreachable."},
    {10052, "Net dropped connection or reset."},
    {10053, "Software caused connection abort."},
    {10054, "Connection reset by peer."},
    {10055, "No buffer space available."},
    {10056, "Socket is already connected."},
    {10057, "Socket is not connected."},
    {10058, "Cannot send or receive after socket is closed."},
    {10059, "Too many references, cannot splice."},
    {10060, "Connection timed out."},
    {10061, "Connection refused."},
    {10062, "Too many levels of symbolic links."},
    {10063, "File name too long."},
    {10064, "Host is down."},
    {10065, "No route to host."},
    {10066, "Directory not empty"},
    {11001, "Host not found."},
    {11002, "The name server did not answer in time; try again later."},
    {11003, "The name server failed for good."},
    {11004, "The host name has no IPv4 address."},
};

// A whole part of a numeric address: plain decimal digits, at most `maximum`.
bool ParseAddressPart(const std::string& text, std::uint64_t maximum, std::uint64_t& value) {
    if (text.empty() || text.size() > 10)
        return false;
    value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
    }
    return value <= maximum;
}

// Cuts at "." into at most four parts; the fourth is everything after the third ".".
std::vector<std::string> SplitAddressParts(const std::string& text) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (parts.size() < 3) {
        const std::size_t dot = text.find('.', start);
        if (dot == std::string::npos)
            break;
        parts.push_back(text.substr(start, dot - start));
        start = dot + 1;
    }
    parts.push_back(text.substr(start));
    return parts;
}

bool TryNumericAddress(const std::string& text, std::uint32_t& address) {
    const std::vector<std::string> parts = SplitAddressParts(text);
    // The last part fills the bytes that the leading one-byte parts leave.
    const int lastBytes = 4 - static_cast<int>(parts.size() - 1);
    std::uint64_t result = 0;
    for (std::size_t i = 0; i + 1 < parts.size(); ++i) {
        std::uint64_t byte = 0;
        if (!ParseAddressPart(parts[i], 255, byte))
            return false;
        result = (result << 8) | byte;
    }
    std::uint64_t last = 0;
    if (!ParseAddressPart(parts.back(), (std::uint64_t{1} << (8 * lastBytes)) - 1, last))
        return false;
    address = static_cast<std::uint32_t>((result << (8 * lastBytes)) | last);
    return true;
}

} // namespace

TNetStack::TNetStack() : Resolver(ResolveHostAddress) {}

bool TNetStack::NeedsLookup(const std::string& name) {
    return !SameTextIgnoringCase(name, "localhost") && !IsNumericAddress(name);
}

std::string TNetStack::LookupHost(const std::string& name) {
    if (SameTextIgnoringCase(name, "localhost"))
        return "127.0.0.1";
    if (IsNumericAddress(name))
        return name;
    std::uint32_t address = 0;
    const int code = Resolver(name, address);
    if (code != 0) {
        LastErrorCode = code;
        ThrowSocketError(code);
    }
    return DottedAddress(address);
}

bool TNetStack::IsNumericAddress(const std::string& text) {
    std::uint32_t address = 0;
    return TryNumericAddress(text, address);
}

std::uint32_t TNetStack::NumericAddressValue(const std::string& text) {
    std::uint32_t address = 0;
    if (!TryNumericAddress(text, address))
        throw ENetInvalidIPAddress(text);
    return address;
}

std::string TNetStack::DottedAddress(std::uint32_t address) {
    return std::to_string(address >> 24) + "." + std::to_string((address >> 16) & 0xFF) + "." +
           std::to_string((address >> 8) & 0xFF) + "." + std::to_string(address & 0xFF);
}

std::string TNetStack::LocalHostName() {
    return SocketHostName();
}

bool TNetStack::CheckSocketResult(long result, std::initializer_list<int> ignored) {
    if (result != -1)
        return false;
    const int code = LastSocketError();
    LastErrorCode = code;
    if (std::find(ignored.begin(), ignored.end(), code) != ignored.end())
        return true;
    ThrowSocketError(code);
}

void TNetStack::ThrowSocketError(int code) {
    throw ENetSocketError(code, SocketErrorText(code));
}

std::string TNetStack::SocketErrorText(int code) {
    const char* text = "";
    for (const auto& [known, knownText] : ErrorTexts) {
        if (known == code) {
            text = knownText;
            break;
        }
    }
    return "Socket Error # " + std::to_string(code) + "\r\n" + text;
}

TSocket TNetStack::CreateSocket() {
    const TSocket socket = CreateStreamSocket();
    if (socket == InvalidSocketValue) {
        LastErrorCode = LastSocketError();
        throw ENetInvalidSocket();
    }
    return socket;
}

TNetStack* TheStack() {
    std::lock_guard lock(StackLock);
    return Instance.get();
}

void AcquireStack() {
    std::lock_guard lock(StackLock);
    if (LivingComponents++ == 0)
        Instance = std::make_unique<TNetStack>();
}

void ReleaseStack() {
    std::lock_guard lock(StackLock);
    if (--LivingComponents == 0)
        Instance.reset();
}

} // namespace corvalet
