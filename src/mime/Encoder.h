#pragma once

#include "mime/SourceStream.h"

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace corvalet {

// Turns bytes into a text form a mail message can carry.
class TNetEncoder {
public:
    // Byte count meaning "everything from the current position to the end".
    static constexpr std::size_t AllBytes = static_cast<std::size_t>(-1);

    virtual ~TNetEncoder() = default;
    // Encodes up to `count` bytes of `source` from its current position.
    virtual std::string Encode(TNetSourceStream& source, std::size_t count = AllBytes) = 0;

    std::string EncodeString(std::string_view bytes);
    template <typename TEncoder> static std::string EncodeWith(std::string_view bytes) {
        TEncoder encoder;
        return encoder.EncodeString(bytes);
    }

protected:
    static std::string ReadBytes(TNetSourceStream& source, std::size_t count);
};

// Three bytes to four characters of a 64-character table, a fill character for a short last group.
class TNetEncoder3to4 : public TNetEncoder {
public:
    TNetEncoder3to4(std::string_view codingTable, char fillChar);

    std::string CodingTable() const { return std::string(Table.data(), Table.size()); }
    char FillChar() const { return Fill; }

    // `count` must be a multiple of 3 unless it asks for all bytes: ENetEncoderException
    // "Uneven size in Encode." otherwise.
    std::string Encode(TNetSourceStream& source, std::size_t count = AllBytes) override;
    // Appends the encoding of `size` bytes to `out`; no line breaks.
    void EncodeBytes(const char* bytes, std::size_t size, std::string& out) const;
    // Writes the encoding of `size` bytes at `out`, which has room for EncodedSize(size) characters;
    // returns the number written.
    std::size_t EncodeTo(const char* bytes, std::size_t size, char* out) const;
    static constexpr std::size_t EncodedSize(std::size_t size) { return (size + 2) / 3 * 4; }

private:
    std::array<char, 64> Table{};
    std::array<char, 2 * 64 * 64> Pairs{};
    char Fill;
};

// Base64 of RFC 2045.
class TNetEncoderMIME final : public TNetEncoder3to4 {
public:
    static constexpr std::string_view Alphabet =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    TNetEncoderMIME() : TNetEncoder3to4(Alphabet, '=') {}
};

// Quoted-printable of RFC 2045. Each CR LF of the input stays a line break; other lines are cut by
// soft breaks ("=" at the end of a line) once they pass 71 characters, so no encoded line is longer
// than 75 characters. A line break is never separated from its line by a soft break.
class TNetEncoderQuotedPrintable final : public TNetEncoder {
public:
    std::string Encode(TNetSourceStream& source, std::size_t count = AllBytes) override;
};

} // namespace corvalet
