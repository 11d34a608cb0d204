#include "help/WindowHelpTable.h"

#include <array>

namespace corvalet {

namespace {

struct TElementHelp {
    std::string_view Name;
    EHelpType Type;
    std::string_view Keyword;
    std::uint32_t Context;
};

// The window, its background and its four pages ask by context number; the recipient list and the
// window's buttons ask by keyword, so that their help opens at their index entry.
constexpr std::array ElementHelp{
    TElementHelp{"MainForm", EHelpType::Context, "Welcome", 1000},
    // The window's background is its page control, which fills it above the buttons.
    TElementHelp{"PageControl", EHelpType::Context, "Configuration", 1020},
    TElementHelp{"GeneralTabSheet", EHelpType::Context, "General", 1030},
    TElementHelp{"RecipientsListView", EHelpType::Keyword, "Recipients", 0},
    TElementHelp{"MessageTabSheet", EHelpType::Context, "Message", 1040},
    TElementHelp{"ConnectionTabSheet", EHelpType::Context, "Connection", 1050},
    TElementHelp{"LoggingTabSheet", EHelpType::Context, "Logging", 1060},
    // The buttons below the pages open the help's section on them, not the welcome page.
    TElementHelp{"HelpButton", EHelpType::Keyword, "Help button", 0},
    TElementHelp{"AboutButton", EHelpType::Keyword, "About box", 0},
    TElementHelp{"OKButton", EHelpType::Keyword, "OK", 0},
    TElementHelp{"CancelButton", EHelpType::Keyword, "Cancel", 0},
};

} // namespace

std::optional<THelpInfo> WindowElementHelp(std::string_view elementName) {
    for (const auto& element : ElementHelp)
        if (element.Name == elementName)
            return THelpInfo{element.Type, std::string(element.Keyword), element.Context};
    return std::nullopt;
}

void ShowWindowHelp(THelpManager& manager) {
    manager.HelpCommand(EClassicHelpCommand::PartialKey, std::string("Welcome"));
}

void QuitHelp(THelpManager& manager) {
    manager.HelpCommand(EClassicHelpCommand::Quit, std::uint32_t{0});
}

bool AskHelpFor(THelpManager& manager, const std::vector<THelpSite>& chain) {
    const THelpSite* site = FirstSiteWithHelp(chain);
    if (!site)
        return false;
    if (site->Info.Type == EHelpType::Keyword)
        return manager.KeywordHelp(site->Info.Keyword);
    return manager.ContextHelp(site->Info.Context);
}

} // namespace corvalet
