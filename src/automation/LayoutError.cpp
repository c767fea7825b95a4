// The texts of the layout errors.
#include "automation/LayoutError.h"

namespace vantrel {

std::string LayoutError::description() const {
    switch (kind_) {
        case Kind::restorePartialFailure: {
            std::string text = "Restored " + std::to_string(restored_) + " of " +
                               std::to_string(total_) + " windows. ";
            if (missingApps_.empty()) return text + "Some apps may not be running.";
            text += "Not running: ";
            for (std::size_t i = 0; i < missingApps_.size(); ++i)
                text += (i == 0 ? "" : ", ") + missingApps_[i];
            return text + ".";
        }
        case Kind::noWindowsCaptured:
            return "No windows to save. Open some windows first.";
        case Kind::restoreNoAppsRunning:
            return "None of the apps in this layout are currently running.";
        case Kind::accessibilityPermissionRequired:
            return "A window manager is required to manage windows.";
        case Kind::tilingWindowManager:
            return "Restored " + std::to_string(restored_) + " of " + std::to_string(total_) +
                   " windows. Your window manager tiles: it places tiled windows itself, and only "
                   "floating windows can be moved.";
        case Kind::saveFailed:
            return "Your layouts could not be saved: " + reason_ +
                   ". Vantrel keeps your changes and saves them again at your next change.";
    }
    return {};
}

}  // namespace vantrel

namespace vantrel {

std::string LayoutError::title() const {
    return kind_ == Kind::restorePartialFailure || kind_ == Kind::tilingWindowManager
               ? "Layout Partly Restored"
               : "Error";
}

}  // namespace vantrel
