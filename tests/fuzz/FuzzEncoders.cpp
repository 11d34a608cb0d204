// The body and attachment encoders: what they write decodes back to the bytes given, and no line
// they write for a body line is longer than a mail line may be or holds a bare CR or LF.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "mime/Encoder.h"

using namespace corvalet;

namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::string DecodeBase64(std::string_view text) {
    std::string bytes;
    unsigned bits = 0;
    int count = 0;
    for (const char c : text) {
        if (c == '=' || c == '\r' || c == '\n')
            continue;
        const std::size_t value = TNetEncoderMIME::Alphabet.find(c);
        if (value == std::string_view::npos)
            std::abort();
        bits = (bits << 6) | static_cast<unsigned>(value);
        count += 6;
        if (count >= 8) {
            count -= 8;
            bytes.push_back(static_cast<char>((bits >> count) & 0xFF));
        }
    }
    return bytes;
}

std::string DecodeQuotedPrintable(std::string_view text) {
    std::string bytes;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '=') {
            bytes.push_back(text[i]);
            continue;
        }
        if (text.substr(i, 3) == "=\r\n") {
            i += 2;
            continue;
        }
        if (i + 2 >= text.size() || HexValue(text[i + 1]) < 0 || HexValue(text[i + 2]) < 0)
            std::abort();
        bytes.push_back(static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2])));
        i += 2;
    }
    return bytes;
}

void CheckLines(std::string_view text, std::size_t longest) {
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find("\r\n", start);
        if (end == std::string_view::npos)
            end = text.size();
        const std::string_view line = text.substr(start, end - start);
        if (line.size() > longest || line.find_first_of("\r\n") != std::string_view::npos)
            std::abort();
        start = end + 2;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);

    const std::string base64 = TNetEncoder::EncodeWith<TNetEncoderMIME>(bytes);
    if (base64.size() != TNetEncoder3to4::EncodedSize(bytes.size()) || DecodeBase64(base64) != bytes)
        std::abort();

    // Quoted-printable decodes back whatever it is given; the message writer gives it one body line
    // and its CR LF at a time, and then every line it writes is a mail line.
    if (DecodeQuotedPrintable(TNetEncoder::EncodeWith<TNetEncoderQuotedPrintable>(bytes)) != bytes)
        std::abort();
    std::size_t start = 0;
    while (start <= bytes.size()) {
        std::size_t end = bytes.find_first_of("\r\n", start);
        if (end == std::string::npos)
            end = bytes.size();
        const std::string line = bytes.substr(start, end - start) + "\r\n";
        const std::string quoted = TNetEncoder::EncodeWith<TNetEncoderQuotedPrintable>(line);
        CheckLines(quoted.substr(0, quoted.size() - 2), 76);
        if (DecodeQuotedPrintable(quoted) != line)
            std::abort();
        start = end + 1;
    }
    return 0;
}
