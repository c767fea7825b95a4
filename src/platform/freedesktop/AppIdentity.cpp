// Naming a window's application from its WM_CLASS and GTK hints against the installed entries.
#include <algorithm>
#include <cctype>

#include "platform/freedesktop/DesktopEntries.h"

namespace vantrel::freedesktop {

EntryIndex::EntryIndex(std::vector<DesktopEntry> entries) : entries_(std::move(entries)) {
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        byId_.try_emplace(entries_[i].id, i);
        if (!entries_[i].startupWMClass.empty())
            byStartupWMClass_.try_emplace(entries_[i].startupWMClass, i);
        byFilename_.try_emplace(entries_[i].filename, i);
    }
}

const DesktopEntry* EntryIndex::find(const std::vector<DesktopEntry>& entries, const Lookup& lookup,
                                     std::string_view key) {
    const auto it = lookup.find(std::string(key));
    return it == lookup.end() ? nullptr : &entries[it->second];
}

const DesktopEntry* EntryIndex::byId(std::string_view id) const {
    return find(entries_, byId_, id);
}

const DesktopEntry* EntryIndex::byStartupWMClass(std::string_view wmClass) const {
    if (wmClass.empty()) return nullptr;
    return find(entries_, byStartupWMClass_, wmClass);
}

const DesktopEntry* EntryIndex::byFilename(std::string_view filename) const {
    return find(entries_, byFilename_, filename);
}

namespace {

// Shells also try the class lowercased with spaces as dashes ("Google Chrome" -> google-chrome).
std::string normalised(std::string_view text) {
    std::string result(text);
    std::transform(result.begin(), result.end(), result.begin(), [](char c) {
        return c == ' ' ? '-' : static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    });
    return result;
}

const DesktopEntry* byIdVariants(const EntryIndex& index, std::string_view text) {
    if (text.empty()) return nullptr;
    if (const auto* entry = index.byId(text)) return entry;
    return index.byId(normalised(text));
}

}  // namespace

std::optional<std::string> resolveApplicationId(const WindowIdentityHints& hints,
                                                const EntryIndex& index) {
    for (const auto* text : {&hints.instance, &hints.className})
        if (const auto* entry = index.byStartupWMClass(*text)) return entry->id;
    for (const auto* text : {&hints.instance, &hints.className})
        if (const auto* entry = byIdVariants(index, *text)) return entry->id;
    if (const auto* entry = index.byId(hints.gtkApplicationId)) return entry->id;
    if (!hints.className.empty()) return hints.className;
    if (!hints.instance.empty()) return hints.instance;
    if (!hints.gtkApplicationId.empty()) return hints.gtkApplicationId;
    return std::nullopt;
}

}  // namespace vantrel::freedesktop
