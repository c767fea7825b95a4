// Preferences: the read rules at start and the effects of each write.
#include "model/PreferencesStore.h"

#include <string>

namespace vantrel {
namespace {

// Anything but a stored Boolean (absent, text, a number) leaves these preferences on.
bool boolOrTrue(const UserDefaults& defaults, const char* key) {
    const auto value = defaults.object(key);
    const bool* flag = std::get_if<bool>(&value);
    return flag == nullptr || *flag;
}

}  // namespace

PreferencesStore::PreferencesStore(UserDefaults& defaults, LoginItem& loginItem,
                                   NotificationCenter& notifications, Log& log)
    : defaults_(defaults),
      loginItem_(loginItem),
      notifications_(notifications),
      log_(log),
      launchAtLogin_(defaults.boolForKey(defaultsKey::kLaunchAtLogin)),
      showWindowCount_(boolOrTrue(defaults, defaultsKey::kShowWindowCount)),
      checkForUpdates_(boolOrTrue(defaults, defaultsKey::kCheckForUpdates)),
      ignoreSpaceMismatch_(defaults.boolForKey(defaultsKey::kIgnoreSpaceMismatch)),
      presetShortcuts_(PresetShortcutMap{}) {
    const auto stored = defaults_.dataForKey(defaultsKey::kPresetShortcuts);
    if (!stored) return;
    const std::string_view json(reinterpret_cast<const char*>(stored->data()), stored->size());
    // An unreadable map is dropped silently; the next write replaces it.
    if (auto decoded = decodePresetShortcuts(json)) setPresetShortcuts(std::move(*decoded));
}

void PreferencesStore::setLaunchAtLogin(bool enabled) {
    launchAtLogin_.set(enabled);
    defaults_.setBool(defaultsKey::kLaunchAtLogin, enabled);
    // A refusal is only reported: the preference keeps what the user chose and is not retried.
    const auto status = loginItem_.setEnabled(enabled);
    if (!status) {
        log_.line(std::string("LaunchAtLogin: Failed to ") + (enabled ? "enable" : "disable") +
                  ": " + status.error().message);
    }
}

void PreferencesStore::setCheckForUpdates(bool enabled) {
    checkForUpdates_.set(enabled);
    defaults_.setBool(defaultsKey::kCheckForUpdates, enabled);
    if (automaticUpdateSwitch_) automaticUpdateSwitch_(enabled);
}

void PreferencesStore::setIgnoreSpaceMismatch(bool ignore) {
    ignoreSpaceMismatch_.set(ignore);
    defaults_.setBool(defaultsKey::kIgnoreSpaceMismatch, ignore);
}

void PreferencesStore::setPresetShortcuts(PresetShortcutMap shortcuts) {
    const auto json = encodePresetShortcuts(shortcuts);
    presetShortcuts_.set(std::move(shortcuts));
    // If encoding fails the old stored map stays; hotkeys are rebuilt from memory regardless.
    if (json) defaults_.setData(defaultsKey::kPresetShortcuts, Bytes(json->begin(), json->end()));
    notifications_.post(kPresetShortcutsDidChange);
}

void PreferencesStore::setPresetShortcut(PresetLayout preset,
                                         std::optional<PresetShortcut> shortcut) {
    auto shortcuts = presetShortcuts();
    if (shortcut)
        shortcuts.insert_or_assign(std::string(rawValue(preset)), *shortcut);
    else
        shortcuts.erase(std::string(rawValue(preset)));
    setPresetShortcuts(std::move(shortcuts));
}

}  // namespace vantrel
