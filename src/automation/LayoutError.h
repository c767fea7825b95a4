// The user-facing failures of saving and restoring layouts, with the texts the user reads.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace vantrel {

class LayoutError {
  public:
    enum class Kind {
        restorePartialFailure,
        noWindowsCaptured,
        restoreNoAppsRunning,
        accessibilityPermissionRequired,
        saveFailed,
        tilingWindowManager,
    };

    // `missingApps` names the applications that were not running, when known.
    static LayoutError restorePartialFailure(std::int64_t restored, std::int64_t total,
                                             std::vector<std::string> missingApps = {}) {
        LayoutError error(Kind::restorePartialFailure, restored, total);
        error.missingApps_ = std::move(missingApps);
        return error;
    }
    // Windows the window manager kept in its tiling layout.
    static LayoutError tilingWindowManager(std::int64_t restored, std::int64_t total) {
        return LayoutError(Kind::tilingWindowManager, restored, total);
    }
    static LayoutError noWindowsCaptured() { return LayoutError(Kind::noWindowsCaptured); }
    static LayoutError restoreNoAppsRunning() { return LayoutError(Kind::restoreNoAppsRunning); }
    static LayoutError accessibilityPermissionRequired() {
        return LayoutError(Kind::accessibilityPermissionRequired);
    }
    // `reason` names the file and what stopped the write.
    static LayoutError saveFailed(std::string reason) {
        LayoutError error(Kind::saveFailed);
        error.reason_ = std::move(reason);
        return error;
    }

    Kind kind() const { return kind_; }
    // Counts of restorePartialFailure and tilingWindowManager; 0 for the other kinds.
    std::int64_t restored() const { return restored_; }
    std::int64_t total() const { return total_; }

    std::string description() const;
    // The heading the error is shown under.
    std::string title() const;

    // An error is presented, and compared, by its text.
    friend bool operator==(const LayoutError& a, const LayoutError& b) {
        return a.description() == b.description();
    }

  private:
    explicit LayoutError(Kind kind, std::int64_t restored = 0, std::int64_t total = 0)
        : kind_(kind), restored_(restored), total_(total) {}

    Kind kind_;
    std::int64_t restored_;
    std::int64_t total_;
    std::vector<std::string> missingApps_;
    std::string reason_;
};

}  // namespace vantrel
