#include "help/HelpManager.h"

#include <algorithm>

namespace corvalet {

THelpManager::~THelpManager() {
    // Copy first: a viewer may release itself while it shuts down.
    const auto registrations = Viewers;
    for (const auto& registration : registrations)
        registration.Viewer->ShutDown();
}

bool THelpManager::HelpCommand(std::uint32_t command, const THelpData& data) {
    return Handler ? Handler(command, data) : false;
}

int THelpManager::RegisterViewer(THelpViewer& viewer) {
    const int id = NextViewerId++;
    Viewers.push_back({id, &viewer});
    viewer.NotifyID(id);
    return id;
}

void THelpManager::Release(int viewerId) {
    std::erase_if(Viewers, [viewerId](const TRegistration& r) { return r.Id == viewerId; });
}

THelpViewer* THelpManager::FirstViewer(const std::function<bool(const THelpViewer&)>& understands) const {
    const auto found = std::find_if(Viewers.begin(), Viewers.end(),
                                    [&](const TRegistration& r) { return understands(*r.Viewer); });
    return found == Viewers.end() ? nullptr : found->Viewer;
}

bool THelpManager::KeywordHelp(const std::string& keyword) {
    THelpViewer* viewer =
        FirstViewer([&](const THelpViewer& v) { return v.UnderstandsKeyword(keyword) > 0; });
    if (viewer)
        viewer->ShowHelp(keyword);
    return viewer != nullptr;
}

bool THelpManager::TopicHelp(const std::string& topic) {
    THelpViewer* viewer = FirstViewer([&](const THelpViewer& v) { return v.UnderstandsTopic(topic); });
    if (viewer)
        viewer->DisplayTopic(topic);
    return viewer != nullptr;
}

bool THelpManager::ContextHelp(std::uint32_t context) {
    THelpViewer* viewer =
        FirstViewer([&](const THelpViewer& v) { return v.UnderstandsContext(context, HelpFile); });
    if (viewer)
        viewer->DisplayHelpByContext(context, HelpFile);
    return viewer != nullptr;
}

bool THelpManager::ShowTableOfContents() {
    THelpViewer* viewer = FirstViewer([](const THelpViewer& v) { return v.CanShowTableOfContents(); });
    if (viewer)
        viewer->ShowTableOfContents();
    return viewer != nullptr;
}

} // namespace corvalet
