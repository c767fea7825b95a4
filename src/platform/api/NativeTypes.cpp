// The snapshot's lookups.
#include "platform/api/NativeTypes.h"

namespace vantrel::native {

void Snapshot::index() {
    appIndex_.clear();
    windowIndex_.clear();
    for (std::size_t i = 0; i < apps.size(); ++i) appIndex_.emplace(apps[i].handle, i);
    for (std::size_t i = 0; i < windows.size(); ++i) windowIndex_.emplace(windows[i].id, i);
}

const App* Snapshot::app(AppHandle handle) const {
    const auto it = appIndex_.find(handle);
    return it == appIndex_.end() ? nullptr : &apps[it->second];
}

const Window* Snapshot::window(WindowId id) const {
    const auto it = windowIndex_.find(id);
    return it == windowIndex_.end() ? nullptr : &windows[it->second];
}

std::vector<const Window*> Snapshot::windowsOf(AppHandle handle) const {
    std::vector<const Window*> result;
    for (const auto& window : windows)
        if (window.app == handle) result.push_back(&window);
    return result;
}

}  // namespace vantrel::native
