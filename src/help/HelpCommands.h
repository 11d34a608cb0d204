#pragma once

#include <cstdint>
#include <string>
#include <variant>

namespace corvalet {

// The classic help commands that the window and the help viewer issue. Their numbers are those
// of the classic help protocol, so that the command table reads as the numbers it maps.
enum class EClassicHelpCommand : std::uint32_t {
    Context = 1,
    Quit = 2,
    Index = 3,
    ContextPopup = 8,
    Finder = 11,
    SetPopupPosition = 13,
    Key = 257,
    PartialKey = 261,
};

// The commands the help display understands.
enum class EHTMLHelpCommand : std::uint32_t {
    DisplayTopic = 0,
    DisplayTableOfContents = 1,
    DisplayIndex = 2,
    DisplayContext = 15,
    CloseAll = 18,
};

// The data word of a help command: a number (context number, packed position) or a keyword.
using THelpData = std::variant<std::uint32_t, std::string>;

// The data word as a number; a keyword reads as 0.
std::uint32_t HelpDataNumber(const THelpData& data);
// The data word as a keyword; a number reads as an empty keyword.
std::string HelpDataText(const THelpData& data);

// What the help display does for one classic command.
struct THTMLHelpCall {
    EHTMLHelpCommand Command = EHTMLHelpCommand::DisplayTopic;
    THelpData Data = std::uint32_t{0};

    friend bool operator==(const THTMLHelpCall&, const THTMLHelpCall&) = default;
};

// The help window behind the commands: shows topics, the contents, an index position, or closes.
class THelpDisplay {
public:
    virtual ~THelpDisplay() = default;
    virtual void Execute(const THTMLHelpCall& call) = 0;
};

} // namespace corvalet
