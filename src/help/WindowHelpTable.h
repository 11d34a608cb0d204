#pragma once

#include "help/HelpFocus.h"
#include "help/HelpManager.h"

#include <optional>
#include <string_view>

namespace corvalet {

// The help the configuration window's elements carry, by the element's name; nothing for an
// element without help of its own (F1 there asks for the help of the element around it).
std::optional<THelpInfo> WindowElementHelp(std::string_view elementName);

// The configuration window's "Help" button: the partial key "Welcome", which shows the help's
// default topic.
void ShowWindowHelp(THelpManager& manager);

// When the configuration window is destroyed: closes every help window.
void QuitHelp(THelpManager& manager);

// Asks for the help of the first element of the chain that carries help, by keyword or by
// context number as it carries it; false when none carries help or no viewer answered.
bool AskHelpFor(THelpManager& manager, const std::vector<THelpSite>& chain);

} // namespace corvalet
