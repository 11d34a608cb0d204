// Header texts as the message writer turns them into header lines: a text with a line break is
// refused, any other goes into encoded words and is folded. No physical line passes 998 bytes and
// none holds a CR or LF of its own, whatever the text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "mime/HeaderList.h"
#include "mime/HeaderWords.h"
#include "mime/MessageExceptions.h"
#include "mime/MimeText.h"

using namespace corvalet;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1)
        return 0;
    static const char* const languages[] = {"en", "de", "ja", "zh"};
    const TNetHeaderCharset charset = ChooseHeaderCharset(languages[data[0] % 4]);
    const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
    try {
        mime::RequireOneLine(text, "The subject");
    } catch (const ENetUnsafeMessageText&) {
        return 0;
    }
    const std::string name = "Subject: ";
    const std::string line = name + EncodeHeaderWords(text, "", charset);
    const std::vector<std::string> lines = FoldHeaderLine(line);
    for (const std::string& physical : lines) {
        if (physical.size() > 998)
            std::abort();
        if (physical.find_first_of("\r\n") != std::string::npos)
            std::abort();
    }
    return 0;
}
