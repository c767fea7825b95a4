// The entries of the update feed, and the choice of the one to offer.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace vantrel {

// One release as the feed describes it. Links are empty when the feed gave none usable.
struct AppcastItem {
    std::string title;
    // The number compared with the running program's version.
    std::string version;
    // What the user is shown; the version when the feed gives none.
    std::string shortVersionString;
    std::string releaseNotesLink;
    // The web page the user downloads the release from.
    std::string downloadPage;

    bool operator==(const AppcastItem&) const = default;
};

// The item with the highest version that is later than `currentVersion`; items whose version
// is not a version number are passed over.
std::optional<AppcastItem> newestItemAfter(const std::vector<AppcastItem>& items,
                                           const std::string& currentVersion);

// Whether any item carries a version number that can be compared.
bool hasComparableItem(const std::vector<AppcastItem>& items);

}  // namespace vantrel
