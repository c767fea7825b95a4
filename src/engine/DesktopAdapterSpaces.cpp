// The adapter's translations: applications, monitors as screens, workspaces as Spaces.
#include <cstdio>

#include "engine/DesktopAdapter.h"

namespace vantrel::adapter {

RunningApplication runningApplication(const native::App& app) {
    const ActivationPolicy policy = app.role == native::AppRole::regular ? ActivationPolicy::regular
                                    : app.role == native::AppRole::accessory
                                        ? ActivationPolicy::accessory
                                        : ActivationPolicy::prohibited;
    return RunningApplication{app.handle, app.id, app.name, app.pid, policy, app.hidden};
}

ScreenList screenList(const std::vector<native::Monitor>& monitors) {
    ScreenList list;
    if (monitors.empty()) return list;
    // Screen space grows upwards from the primary's bottom-left corner.
    const double axis = monitors.front().frame.height;
    const auto flip = [axis](const Rect& r) {
        return Rect{r.x, axis - r.y - r.height, r.width, r.height};
    };
    for (const auto& monitor : monitors) {
        if (monitor.main && !list.mainIndex) list.mainIndex = list.screens.size();
        list.screens.push_back(
            Screen{flip(monitor.frame), flip(monitor.workArea), monitor.id, monitor.name});
    }
    return list;
}

std::optional<PreferenceValue> spacesOf(const native::Snapshot& snapshot) {
    if (snapshot.workspaces.count <= 0) return std::nullopt;
    const auto count = static_cast<std::size_t>(snapshot.workspaces.count);
    std::vector<PreferenceValue::List> windows(count);
    for (const auto& window : snapshot.windows) {
        const auto number = PreferenceValue{static_cast<std::int64_t>(window.id)};
        if (window.sticky) {
            for (auto& list : windows) list.push_back(number);
        } else if (window.workspace && *window.workspace >= 0 &&
                   static_cast<std::size_t>(*window.workspace) < count) {
            windows[static_cast<std::size_t>(*window.workspace)].push_back(number);
        }
    }
    PreferenceValue::List spaces;
    for (std::size_t i = 0; i < count; ++i) {
        // Workspaces have no identity of their own beyond their number; named by it.
        char uuid[48];
        std::snprintf(uuid, sizeof uuid, "00000000-0000-4000-8000-%012u",
                      static_cast<unsigned>(i + 1));
        PreferenceValue::Dictionary space{{"uuid", PreferenceValue{std::string(uuid)}},
                                          {"windows", PreferenceValue{std::move(windows[i])}},
                                          {"type", PreferenceValue{std::int64_t{0}}}};
        spaces.push_back(PreferenceValue{std::move(space)});
    }
    PreferenceValue::Dictionary display{{"Spaces", PreferenceValue{std::move(spaces)}}};
    return PreferenceValue{
        PreferenceValue::Dictionary{{"Main", PreferenceValue{std::move(display)}}}};
}

AXError errorOf(native::PlaceResult result) {
    switch (result) {
        case native::PlaceResult::placed:
            return AXError::success;
        case native::PlaceResult::gone:
            return AXError::invalidUIElement;
        case native::PlaceResult::refused:
            return AXError::cannotComplete;
        case native::PlaceResult::unsupported:
            return AXError::attributeUnsupported;
        case native::PlaceResult::notSent:
            return AXError::cannotComplete;
    }
    return AXError::failure;
}

}  // namespace vantrel::adapter
