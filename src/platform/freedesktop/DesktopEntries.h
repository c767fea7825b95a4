// Installed desktop entries: reading them from the XDG data folders, and the index that names
// applications.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace vantrel::freedesktop {

// One installed desktop entry, its id without ".desktop".
struct DesktopEntry {
    std::string id;
    std::string name;
    std::string startupWMClass;
    std::string filename;
};

// Lookups over the installed entries, as desktop shells use them to name windows.
class EntryIndex {
  public:
    EntryIndex() = default;
    // The first entry wins where several share an id, class or file, as in the listing order.
    explicit EntryIndex(std::vector<DesktopEntry> entries);

    const DesktopEntry* byId(std::string_view id) const;
    const DesktopEntry* byStartupWMClass(std::string_view wmClass) const;
    const DesktopEntry* byFilename(std::string_view filename) const;
    const std::vector<DesktopEntry>& entries() const { return entries_; }

  private:
    using Lookup = std::unordered_map<std::string, std::size_t>;
    static const DesktopEntry* find(const std::vector<DesktopEntry>& entries, const Lookup& lookup,
                                    std::string_view key);

    std::vector<DesktopEntry> entries_;
    // Every window of every snapshot is named through these: keep them hashed.
    Lookup byId_;
    Lookup byStartupWMClass_;
    Lookup byFilename_;
};

// What names a window's application.
struct WindowIdentityHints {
    std::string instance;   // WM_CLASS, first part
    std::string className;  // WM_CLASS, second part
    std::string gtkApplicationId;
};

// The application id of a window: an installed entry matched by StartupWMClass, then the
// WM_CLASS instance and class as entry ids (as they stand, then lowercased with spaces as
// dashes), then _GTK_APPLICATION_ID; else the WM_CLASS class (or instance) as it stands. None
// when the window names nothing at all.
std::optional<std::string> resolveApplicationId(const WindowIdentityHints& hints,
                                                const EntryIndex& index);

// The folders that hold installed entries, most important first: the process's
// XdgFolders::dataFolders().
std::vector<std::string> entryDataFolders();
// The installed application entries of these data folders (visible or not): each
// applications/**/*.desktop, named by its path below applications/ with "/" as "-". An id found
// in an earlier folder hides every later file of that id, even when the earlier one is Hidden
// or unusable. Entries that are not applications, or whose TryExec or Exec program is not
// installed, are left out. Ordered by folder, then id.
std::vector<DesktopEntry> loadInstalledEntries(const std::vector<std::string>& dataFolders);
std::vector<DesktopEntry> loadInstalledEntries();
// The modification times of the folders that hold desktop entries (XDG data folders); when they
// change, entries were installed or removed.
std::vector<std::int64_t> entryFoldersStamp();

}  // namespace vantrel::freedesktop
