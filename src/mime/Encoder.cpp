#include "mime/Encoder.h"

#include "mime/MessageExceptions.h"

#include <algorithm>

namespace corvalet {

std::string TNetEncoder::EncodeString(std::string_view bytes) {
    TNetStringSource source(bytes);
    return Encode(source);
}

std::string TNetEncoder::ReadBytes(TNetSourceStream& source, std::size_t count) {
    std::string bytes;
    char block[8192];
    while (count > 0) {
        const std::size_t wanted = std::min(count, sizeof block);
        const std::size_t got = source.Read(block, wanted);
        bytes.append(block, got);
        count -= got;
        if (got < wanted)
            break;
    }
    return bytes;
}

TNetEncoder3to4::TNetEncoder3to4(std::string_view codingTable, char fillChar) : Fill(fillChar) {
    std::copy_n(codingTable.begin(), std::min(codingTable.size(), Table.size()), Table.begin());
    for (std::size_t pair = 0; pair < 64 * 64; ++pair) {
        Pairs[2 * pair] = Table[pair >> 6];
        Pairs[2 * pair + 1] = Table[pair & 63];
    }
}

std::string TNetEncoder3to4::Encode(TNetSourceStream& source, std::size_t count) {
    if (count != AllBytes && count % 3 != 0)
        throw ENetEncoderException("Uneven size in Encode.");
    const std::string bytes = ReadBytes(source, count);
    std::string out;
    EncodeBytes(bytes.data(), bytes.size(), out);
    return out;
}

void TNetEncoder3to4::EncodeBytes(const char* bytes, std::size_t size, std::string& out) const {
    const std::size_t start = out.size();
    out.resize(start + EncodedSize(size));
    EncodeTo(bytes, size, out.data() + start);
}

std::size_t TNetEncoder3to4::EncodeTo(const char* bytes, std::size_t size, char* out) const {
    const auto* in = reinterpret_cast<const unsigned char*>(bytes);
    char* o = out;
    std::size_t i = 0;
    // Two characters per look-up: each group of three bytes is two 12-bit halves.
    for (; i + 3 <= size; i += 3) {
        const unsigned group = (unsigned{in[i]} << 16) | (unsigned{in[i + 1]} << 8) | in[i + 2];
        const char* high = &Pairs[2 * (group >> 12)];
        const char* low = &Pairs[2 * (group & 0xFFF)];
        o[0] = high[0];
        o[1] = high[1];
        o[2] = low[0];
        o[3] = low[1];
        o += 4;
    }
    if (i < size) {
        const unsigned b0 = in[i];
        const unsigned b1 = i + 1 < size ? in[i + 1] : 0;
        o[0] = Table[b0 >> 2];
        o[1] = Table[((b0 & 3) << 4) | (b1 >> 4)];
        o[2] = i + 1 < size ? Table[(b1 & 15) << 2] : Fill;
        o[3] = Fill;
        o += 4;
    }
    return static_cast<std::size_t>(o - out);
}

std::string TNetEncoderQuotedPrintable::Encode(TNetSourceStream& source, std::size_t count) {
    static constexpr char Hex[] = "0123456789ABCDEF";
    const std::string bytes = ReadBytes(source, count);
    std::string out;
    std::size_t lineLength = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        const bool atEnd = i + 1 == bytes.size();
        const bool beforeBreak = !atEnd && (bytes[i + 1] == '\r' || bytes[i + 1] == '\n');
        if (b == '\r' || b == '\n') {
            out += static_cast<char>(b);
            lineLength = 0;
            continue;
        }
        // Blanks before a line break (or at the very end) are escaped so that no transport can strip
        // them; a full stop that starts a line is escaped so that it can never end the mail data.
        const bool plain = ((b == ' ' || b == '\t') && !beforeBreak && !atEnd) ||
                           (b == '.' && lineLength > 0) || (b >= 0x21 && b <= 0x7E && b != '=' && b != '.');
        if (plain) {
            out += static_cast<char>(b);
            ++lineLength;
        } else {
            out += '=';
            out += Hex[b >> 4];
            out += Hex[b & 15];
            lineLength += 3;
        }
        if (lineLength > 71 && !atEnd && !beforeBreak) {
            out += "=\r\n";
            lineLength = 0;
        }
    }
    return out;
}

} // namespace corvalet
