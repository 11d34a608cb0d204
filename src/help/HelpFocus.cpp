#include "help/HelpFocus.h"

#include <algorithm>

namespace corvalet {

const THelpSite* FirstSiteWithHelp(const std::vector<THelpSite>& chain) {
    const auto found =
        std::find_if(chain.begin(), chain.end(), [](const THelpSite& site) { return site.Info.HasHelp(); });
    return found == chain.end() ? nullptr : &*found;
}

} // namespace corvalet
