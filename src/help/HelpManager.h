#pragma once

#include "help/HelpCommands.h"

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace corvalet {

class THelpManager;

// A help viewer as the help manager sees it; the operations are in the order of the viewer's slots.
class THelpViewer {
public:
    virtual ~THelpViewer() = default;
    virtual std::string GetViewerName() const = 0;
    virtual int UnderstandsKeyword(const std::string& keyword) const = 0;
    virtual std::vector<std::string> GetHelpStrings(const std::string& keyword) const = 0;
    virtual bool CanShowTableOfContents() const = 0;
    virtual void ShowTableOfContents() = 0;
    virtual void ShowHelp(const std::string& keyword) = 0;
    virtual void NotifyID(int viewerId) = 0;
    virtual void SoftShutDown() = 0;
    virtual void ShutDown() = 0;
    virtual bool UnderstandsTopic(const std::string& topic) const = 0;
    virtual void DisplayTopic(const std::string& topic) = 0;
    virtual bool UnderstandsContext(std::uint32_t context, const std::string& helpFile) const = 0;
    virtual void DisplayHelpByContext(std::uint32_t context, const std::string& helpFile) = 0;
};

// Decides whether classic help could answer a context request. This platform has no classic help,
// so the program never installs one; the slot exists so that viewers can switch the test off.
class TClassicHelpTester {
public:
    virtual ~TClassicHelpTester() = default;
    virtual bool CanShowContext(std::uint32_t context, const std::string& helpFile) const = 0;
};

// The program's help hub: the application's help handler for classic commands, the registered
// viewers for keyword, topic and context requests, and the help file's name.
class THelpManager {
public:
    using THelpHandler = std::function<bool(std::uint32_t command, const THelpData& data)>;

    explicit THelpManager(std::string helpFile = {}) : HelpFile(std::move(helpFile)) {}
    THelpManager(const THelpManager&) = delete;
    THelpManager& operator=(const THelpManager&) = delete;
    // Viewers still registered are told to shut down, so none keeps a dangling manager.
    ~THelpManager();

    const std::string& GetHelpFile() const { return HelpFile; }

    // The application's help handler; an empty handler removes it.
    void SetHelpHandler(THelpHandler handler) { Handler = std::move(handler); }
    bool HasHelpHandler() const { return static_cast<bool>(Handler); }
    // A classic help command; false when no handler took it.
    bool HelpCommand(std::uint32_t command, const THelpData& data);
    bool HelpCommand(EClassicHelpCommand command, const THelpData& data) {
        return HelpCommand(static_cast<std::uint32_t>(command), data);
    }

    // Registers a viewer and tells it its identifier.
    int RegisterViewer(THelpViewer& viewer);
    // Forgets the viewer with this identifier; unknown identifiers are ignored.
    void Release(int viewerId);
    std::size_t ViewerCount() const { return Viewers.size(); }

    // Help requests, each answered by the first registered viewer that understands it; false when
    // none does.
    bool KeywordHelp(const std::string& keyword);
    bool TopicHelp(const std::string& topic);
    bool ContextHelp(std::uint32_t context);
    bool ShowTableOfContents();

    TClassicHelpTester* GetClassicHelpTester() const { return ClassicHelpTester; }
    void SetClassicHelpTester(TClassicHelpTester* tester) { ClassicHelpTester = tester; }

private:
    struct TRegistration {
        int Id;
        THelpViewer* Viewer;
    };

    std::string HelpFile;
    THelpHandler Handler;
    std::vector<TRegistration> Viewers;
    int NextViewerId = 1;
    TClassicHelpTester* ClassicHelpTester = nullptr;

    THelpViewer* FirstViewer(const std::function<bool(const THelpViewer&)>& understands) const;
};

} // namespace corvalet
