#include "help/HTMLHelpViewer.h"

namespace corvalet {

namespace {

// Switches the manager's classic help test off for as long as it lives, also when the command
// that runs meanwhile throws.
class TClassicHelpTestOff {
public:
    explicit TClassicHelpTestOff(THelpManager& manager)
        : Manager(manager), Saved(manager.GetClassicHelpTester()) {
        Manager.SetClassicHelpTester(nullptr);
    }
    ~TClassicHelpTestOff() { Manager.SetClassicHelpTester(Saved); }
    TClassicHelpTestOff(const TClassicHelpTestOff&) = delete;
    TClassicHelpTestOff& operator=(const TClassicHelpTestOff&) = delete;

private:
    THelpManager& Manager;
    TClassicHelpTester* Saved;
};

} // namespace

std::string LimitHelpKeyword(const std::string& keyword) {
    if (keyword.size() <= HelpKeywordBufferSize)
        return keyword;
    std::size_t length = HelpKeywordBufferSize;
    // Back off over continuation bytes so that the cut falls between characters.
    while (length > 0 && (static_cast<unsigned char>(keyword[length]) & 0xC0) == 0x80)
        --length;
    return keyword.substr(0, length);
}

std::uint32_t PackPopupPosition(int x, int y) {
    return static_cast<std::uint32_t>(static_cast<std::uint16_t>(x)) |
           (static_cast<std::uint32_t>(static_cast<std::uint16_t>(y)) << 16);
}

THTMLHelpViewer::~THTMLHelpViewer() {
    Unregister();
}

void THTMLHelpViewer::RegisterWith(THelpManager& manager) {
    Unregister();
    Manager = &manager;
    manager.RegisterViewer(*this);
}

void THTMLHelpViewer::Unregister() {
    if (Manager)
        Manager->Release(ViewerID);
    Manager = nullptr;
}

std::string THTMLHelpViewer::GetViewerName() const {
    return HelpViewerName;
}

int THTMLHelpViewer::UnderstandsKeyword(const std::string&) const {
    return 1;
}

std::vector<std::string> THTMLHelpViewer::GetHelpStrings(const std::string& keyword) const {
    return {keyword + ": " + GetViewerName()};
}

bool THTMLHelpViewer::CanShowTableOfContents() const {
    return true;
}

void THTMLHelpViewer::ShowTableOfContents() {
    Issue(EClassicHelpCommand::Index, std::uint32_t{0});
}

void THTMLHelpViewer::ShowHelp(const std::string& keyword) {
    PositionPopups();
    Issue(EClassicHelpCommand::Key, LimitHelpKeyword(keyword));
}

void THTMLHelpViewer::NotifyID(int viewerId) {
    ViewerID = viewerId;
}

void THTMLHelpViewer::SoftShutDown() {}

void THTMLHelpViewer::ShutDown() {
    Manager = nullptr;
}

bool THTMLHelpViewer::UnderstandsTopic(const std::string&) const {
    return true;
}

void THTMLHelpViewer::DisplayTopic(const std::string& topic) {
    PositionPopups();
    // The appended letters make the index stop just past the topic's own entries.
    Issue(EClassicHelpCommand::Key, LimitHelpKeyword(topic + "zzz"));
}

bool THTMLHelpViewer::UnderstandsContext(std::uint32_t, const std::string&) const {
    return true;
}

void THTMLHelpViewer::DisplayHelpByContext(std::uint32_t context, const std::string&) {
    PositionPopups();
    if (!Manager)
        return;
    TClassicHelpTestOff testOff(*Manager);
    Issue(EClassicHelpCommand::Context, context);
}

void THTMLHelpViewer::PositionPopups() {
    const auto chain = Focus.FocusChain();
    if (const THelpSite* site = FirstSiteWithHelp(chain))
        Issue(EClassicHelpCommand::SetPopupPosition, PackPopupPosition(site->ScreenLeft, site->ScreenTop));
}

void THTMLHelpViewer::Issue(EClassicHelpCommand command, const THelpData& data) {
    if (Manager)
        Manager->HelpCommand(command, data);
}

} // namespace corvalet
