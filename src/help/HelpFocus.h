#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace corvalet {

enum class EHelpType { Keyword, Context };

// The help a window element carries: a keyword or a context number, by its help type.
struct THelpInfo {
    EHelpType Type = EHelpType::Context;
    std::string Keyword;
    std::uint32_t Context = 0;

    // Whether the element carries help at all: a keyword element needs a keyword, a context
    // element a context number other than 0.
    bool HasHelp() const { return Type == EHelpType::Keyword ? !Keyword.empty() : Context != 0; }

    friend bool operator==(const THelpInfo&, const THelpInfo&) = default;
};

// One element on the way from the focused element up to its window.
struct THelpSite {
    THelpInfo Info;
    int ScreenLeft = 0;
    int ScreenTop = 0;
};

// The window side of help: the focused element and its parents, the focused one first.
class THelpFocus {
public:
    virtual ~THelpFocus() = default;
    virtual std::vector<THelpSite> FocusChain() const = 0;
};

// The first element of a chain that carries help, or nullptr.
const THelpSite* FirstSiteWithHelp(const std::vector<THelpSite>& chain);

} // namespace corvalet
