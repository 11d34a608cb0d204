#include "mime/HeaderWords.h"

#include "mime/Encoder.h"
#include "mime/MimeText.h"

#include <algorithm>
#include <cstdlib>

namespace corvalet {

namespace {

constexpr std::size_t MaxWordLength = 75;
constexpr std::size_t MaxHeaderLineLength = 998;
constexpr std::string_view End = "?=";
constexpr std::string_view Continue = "\r\n\t";

bool IsWhite(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool NeedsEncoding(char c, std::string_view extraSpecials) {
    const auto b = static_cast<unsigned char>(c);
    return b < 0x20 || b >= 0x7F || extraSpecials.find(c) != std::string_view::npos;
}

// A reader decodes a word of the form "=?charset?x?text?=" wherever it stands, so such a word typed by
// the user must itself be encoded to arrive as typed.
bool LooksEncoded(std::string_view word) {
    const std::size_t open = word.find("=?");
    return open != std::string_view::npos && word.find("?=", open + 2) != std::string_view::npos;
}

// Folding breaks only at blanks and commas, so a stretch between two of them has to fit on a
// continuation line after its leading blank; a longer word would make a line that servers may refuse.
// Written as encoded words it is split to fit.
bool TooLongToFold(std::string_view word) {
    constexpr std::size_t Room = MaxHeaderLineLength - 1;
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = word.find(',', start);
        const std::size_t end = comma == std::string_view::npos ? word.size() : comma + 1;
        if (end - start > Room)
            return true;
        if (comma == std::string_view::npos)
            return false;
        start = end;
    }
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

bool HoldsEncodedWordLookAlike(std::string_view text) {
    for (std::size_t at = 0; at < text.size();) {
        while (at < text.size() && IsWhite(text[at]))
            ++at;
        const std::size_t wordStart = at;
        while (at < text.size() && !IsWhite(text[at]))
            ++at;
        if (LooksEncoded(text.substr(wordStart, at - wordStart)))
            return true;
    }
    return false;
}

namespace {

// The longest stretch of `text` the header folding cannot break: it breaks only at blanks outside
// double quotes, and at the line breaks between encoded words wherever they stand (the header list
// cuts its lines at every CR LF, inside quotes too).
std::size_t LongestUnbreakableRun(std::string_view text) {
    std::size_t longest = 0;
    std::size_t start = 0;
    bool quoted = false;
    for (std::size_t at = 0; at < text.size(); ++at) {
        if (text[at] == '"') {
            quoted = !quoted;
        } else if (text[at] == '\r' || text[at] == '\n' || (!quoted && IsWhite(text[at]))) {
            longest = std::max(longest, at - start);
            start = at + 1;
        }
    }
    return std::max(longest, text.size() - start);
}

// A stretch this long could not stand on one header line even when it starts a fold line.
constexpr std::size_t LongestFoldableRun = 900;

std::string EncodeWords(std::string_view text, std::string_view extraSpecials, const TNetHeaderCharset& charset,
                        bool encodeQuotes);

} // namespace

std::string EncodeHeaderWords(std::string_view text, std::string_view extraSpecials,
                              const TNetHeaderCharset& charset) {
    if (charset.Encoding == '8')
        return std::string(text);
    std::string out = EncodeWords(text, extraSpecials, charset, false);
    // Raw double quotes that enclose more than a header line can hold (a stray quote early in a
    // long subject) would leave a line past 998 characters: the words holding them are encoded
    // instead, where a quote is written =22.
    if (out.find('"') != std::string::npos && LongestUnbreakableRun(out) > LongestFoldableRun)
        out = EncodeWords(text, extraSpecials, charset, true);
    return out;
}

namespace {

std::string EncodeWords(std::string_view text, std::string_view extraSpecials, const TNetHeaderCharset& charset,
                        bool encodeQuotes) {
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
        const std::string_view word = text.substr(wordStart, at - wordStart);
        if (needsEncoding || LooksEncoded(word) || TooLongToFold(word) ||
            (encodeQuotes && word.find('"') != std::string_view::npos)) {
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

} // namespace

} // namespace corvalet
