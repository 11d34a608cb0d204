#pragma once

#include <string>
#include <string_view>

namespace corvalet {

// How header texts with non-ASCII bytes are written.
enum class TTransfer { bit7, bit8, iso2022jp };

struct TNetHeaderCharset {
    TTransfer Transfer = TTransfer::bit8;
    // 'B' (base64 encoded words), 'Q' (Q encoded words) or '8' (written as it stands).
    char Encoding = 'Q';
    std::string CharSet = "UTF-8";
};

// The program holds its text in UTF-8, so encoded words are labelled "UTF-8": base64 words for
// Chinese, Japanese and Korean (language "zh", "ja", "ko"), where nearly every byte would need
// quoting, Q words for every other language.
TNetHeaderCharset ChooseHeaderCharset(std::string_view language);

// The language part of the user's locale (LC_ALL, else LC_MESSAGES, else LANG): "ja" for
// "ja_JP.UTF-8"; empty for the C and POSIX locales.
std::string LocaleLanguage();

// Writes the words of `text` that hold control or non-ASCII bytes (or one of `extraSpecials`), that
// look like encoded words themselves, or that are too long to fold onto a line of 998 characters as
// RFC 2047 encoded words. Adjacent such words form one stretch; an encoded word never passes 75
// characters, a longer stretch going on in another word after CR LF TAB; a word never splits a UTF-8
// character.
// True when a word of `text` has the form of an encoded word ("=?...?="), which a reader would decode.
bool HoldsEncodedWordLookAlike(std::string_view text);

std::string EncodeHeaderWords(std::string_view text, std::string_view extraSpecials,
                              const TNetHeaderCharset& charset);

} // namespace corvalet
