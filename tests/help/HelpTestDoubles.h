#pragma once

#include "help/HelpCommands.h"
#include "help/HelpFocus.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace corvalet::test {

// A help display that records what it is asked to do.
class TRecordingDisplay : public THelpDisplay {
public:
    std::vector<THTMLHelpCall> Calls;
    std::function<void(const THTMLHelpCall&)> OnExecute;

    void Execute(const THTMLHelpCall& call) override {
        Calls.push_back(call);
        if (OnExecute)
            OnExecute(call);
    }
};

// A focus chain set by the test.
class TFakeFocus : public THelpFocus {
public:
    std::vector<THelpSite> Chain;
    std::vector<THelpSite> FocusChain() const override { return Chain; }
};

inline THelpSite NoHelpSite(int x = 0, int y = 0) {
    return {THelpInfo{}, x, y};
}
inline THelpSite KeywordSite(std::string keyword, int x = 0, int y = 0) {
    return {THelpInfo{EHelpType::Keyword, std::move(keyword), 0}, x, y};
}
inline THelpSite ContextSite(std::uint32_t context, int x = 0, int y = 0) {
    return {THelpInfo{EHelpType::Context, {}, context}, x, y};
}

// A classic help command as the application's help handler receives it.
struct TClassicCall {
    std::uint32_t Command;
    THelpData Data;
    friend bool operator==(const TClassicCall&, const TClassicCall&) = default;
};

} // namespace corvalet::test
