#pragma once

#include "help/HelpFocus.h"
#include "help/HelpManager.h"

#include <cstdint>
#include <string>
#include <vector>

namespace corvalet {

// The name under which the viewer offers its help.
inline constexpr const char* HelpViewerName = "Corvalet Help";

// Keywords longer than this are cut before they are handed on.
inline constexpr std::size_t HelpKeywordBufferSize = 255;

// The help viewer: answers the help manager's keyword, topic and context requests with classic help
// commands, which the application's help handler hands on to the help display.
class THTMLHelpViewer : public THelpViewer {
public:
    explicit THTMLHelpViewer(const THelpFocus& focus) : Focus(focus) {}
    ~THTMLHelpViewer() override;
    THTMLHelpViewer(const THTMLHelpViewer&) = delete;
    THTMLHelpViewer& operator=(const THTMLHelpViewer&) = delete;

    // Registers with the manager; the manager tells the identifier through NotifyID.
    void RegisterWith(THelpManager& manager);
    // Releases the identifier with the manager, if still registered, and drops the manager.
    void Unregister();
    bool IsRegistered() const { return Manager != nullptr; }
    int GetViewerID() const { return ViewerID; }

    std::string GetViewerName() const override;
    int UnderstandsKeyword(const std::string& keyword) const override;
    std::vector<std::string> GetHelpStrings(const std::string& keyword) const override;
    bool CanShowTableOfContents() const override;
    void ShowTableOfContents() override;
    void ShowHelp(const std::string& keyword) override;
    void NotifyID(int viewerId) override;
    void SoftShutDown() override;
    void ShutDown() override;
    bool UnderstandsTopic(const std::string& topic) const override;
    void DisplayTopic(const std::string& topic) override;
    bool UnderstandsContext(std::uint32_t context, const std::string& helpFile) const override;
    void DisplayHelpByContext(std::uint32_t context, const std::string& helpFile) override;

private:
    const THelpFocus& Focus;
    THelpManager* Manager = nullptr;
    int ViewerID = 0;

    // Tells the help display where pop-ups go: the top-left corner of the first element, from the
    // focused one up, that carries help. Nothing is issued when none does.
    void PositionPopups();
    void Issue(EClassicHelpCommand command, const THelpData& data);
};

// A keyword cut to the keyword buffer, never inside a UTF-8 character.
std::string LimitHelpKeyword(const std::string& keyword);

// A screen position packed into one data word: x in the low 16 bits, y in the high 16 bits.
std::uint32_t PackPopupPosition(int x, int y);

} // namespace corvalet
