// Choosing the release to offer.
#include "update/Appcast.h"

#include "update/Version.h"

namespace vantrel {

std::optional<AppcastItem> newestItemAfter(const std::vector<AppcastItem>& items,
                                           const std::string& currentVersion) {
    const auto current = Version::parse(currentVersion);
    if (!current) return std::nullopt;
    std::optional<AppcastItem> best;
    std::optional<Version> bestVersion;
    for (const auto& item : items) {
        const auto version = Version::parse(item.version);
        if (!version || *version <= *current) continue;
        if (!bestVersion || *version > *bestVersion) {
            best = item;
            bestVersion = version;
        }
    }
    return best;
}

bool hasComparableItem(const std::vector<AppcastItem>& items) {
    for (const auto& item : items)
        if (Version::parse(item.version)) return true;
    return false;
}

}  // namespace vantrel
