#include "mime/HeaderWords.h"

#include "mime/Encoder.h"
#include "mime/MimeText.h"

#include <cstdlib>

namespace corvalet {

namespace {

constexpr std::size_t MaxWordLength = 75;
constexpr std::string_view End = "?=";
constexpr std::string_view Continue = "\r\n\t";

bool IsWhite(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool NeedsEncoding(char c, std::string_view extraSpecials) {
    const auto b = static_cast<unsigned char>(c);
    return b < 0x20 || b >= 0x7F || extraSpecials.find(c) != std::string_view::npos;
}

// Length of the character starting at `at`: a whole UTF-8 sequence when one stands there, else 1.
std::size_t CharacterLength(std::string_view text, std::size_t at, bool utf8) {
    const auto lead = static_cast<unsigned char>(text[at]);
    if (!utf8 || lead < 0xC2 || lead > 0xF4)
        return 1;
    const std::size_t length = lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    if (at + length > text.size())
        return 1;
    for (std::size_t i = 1; i < length; ++i)
        if ((static_cast<unsigned char>(text[at + i]) & 0xC0) != 0x80)
            return 1;
    return length;
}

class TWordEncoder {
public:
    TWordEncoder(const TNetHeaderCharset& charset, std::string_view extraSpecials, std::string& out)
        : Begin("=?" + charset.CharSet + "?" + charset.Encoding + "?"),
          Utf8(mime::SameText(charset.CharSet, "UTF-8")), Base64(charset.Encoding == 'B'),
          Specials(extraSpecials), Out(out) {}

    void EncodeStretch(std::string_view stretch) {
        Out += Begin;
        Running = Begin.size() + End.size();
        if (Base64)
            EncodeBase64(stretch);
        else
            EncodeQ(stretch);
        Out += End;
    }

private:
    void NewWord() {
        Out.append(End).append(Continue).append(Begin);
        Running = Begin.size() + End.size();
    }

    bool MustQuote(char c) const {
        // A comma or a double quote written raw would let the header folding break inside the word
        // or stop folding the rest of the line.
        return NeedsEncoding(c, Specials) || c == '=' || c == '?' || c == '_' || c == ',' || c == '"';
    }

    void EncodeQ(std::string_view stretch) {
        static constexpr char Hex[] = "0123456789ABCDEF";
        std::string piece;
        for (std::size_t at = 0; at < stretch.size();) {
            const std::size_t length = CharacterLength(stretch, at, Utf8);
            piece.clear();
            for (std::size_t i = at; i < at + length; ++i) {
                const char c = stretch[i];
                if (c == ' ') {
                    piece += '_';
                } else if (MustQuote(c)) {
                    piece += '=';
                    piece += Hex[static_cast<unsigned char>(c) >> 4];
                    piece += Hex[static_cast<unsigned char>(c) & 15];
                } else {
                    piece += c;
                }
            }
            if (Running + piece.size() > MaxWordLength)
                NewWord();
            Out += piece;
            Running += piece.size();
            at += length;
        }
    }

    void EncodeBase64(std::string_view stretch) {
        std::size_t wordStart = 0;
        for (std::size_t at = 0; at < stretch.size();) {
            const std::size_t length = CharacterLength(stretch, at, Utf8);
            const std::size_t bytes = at + length - wordStart;
            if (at > wordStart && Running + (bytes + 2) / 3 * 4 > MaxWordLength) {
                Base64Encoder.EncodeBytes(stretch.data() + wordStart, at - wordStart, Out);
                NewWord();
                wordStart = at;
            }
            at += length;
        }
        Base64Encoder.EncodeBytes(stretch.data() + wordStart, stretch.size() - wordStart, Out);
    }

    std::string Begin;
    bool Utf8;
    bool Base64;
    std::string_view Specials;
    std::string& Out;
    std::size_t Running = 0;
    TNetEncoderMIME Base64Encoder;
};

} // namespace

TNetHeaderCharset ChooseHeaderCharset(std::string_view language) {
    TNetHeaderCharset charset;
    if (language == "zh" || language == "ja" || language == "ko")
        charset.Encoding = 'B';
    return charset;
}

std::string LocaleLanguage() {
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (value == nullptr || *value == '\0')
            continue;
        const std::string_view locale(value);
        const std::string language(locale.substr(0, locale.find_first_of("_.@")));
        return language == "C" || language == "POSIX" ? std::string() : language;
    }
    return {};
}

namespace {

constexpr std::size_t LongestPlainWord = 900;

} // namespace

std::string EncodeHeaderWords(std::string_view text, std::string_view extraSpecials,
                              const TNetHeaderCharset& charset) {
    if (charset.Encoding == '8')
        return std::string(text);
    std::string out;
    TWordEncoder encoder(charset, extraSpecials, out);
    constexpr std::size_t Closed = std::string_view::npos;
    std::size_t stretchStart = Closed;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t whiteStart = at;
        while (at < text.size() && IsWhite(text[at]))
            ++at;
        const std::size_t wordStart = at;
        bool needsEncoding = false;
        while (at < text.size() && !IsWhite(text[at]))
            needsEncoding = NeedsEncoding(text[at++], extraSpecials) || needsEncoding;
        // A word that no header line could hold (998 characters at most, the field name included)
        // is encoded too: encoded words can be folded between them, a plain word cannot.
        needsEncoding = needsEncoding || at - wordStart > LongestPlainWord;
        if (needsEncoding) {
            if (stretchStart == Closed) {
                out.append(text.substr(whiteStart, wordStart - whiteStart));
                stretchStart = wordStart;
            }
            continue;
        }
        if (stretchStart != Closed) {
            encoder.EncodeStretch(text.substr(stretchStart, whiteStart - stretchStart));
            stretchStart = Closed;
        }
        out.append(text.substr(whiteStart, at - whiteStart));
    }
    if (stretchStart != Closed)
        encoder.EncodeStretch(text.substr(stretchStart));
    return out;
}

} // namespace corvalet
