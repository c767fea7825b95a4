// The user's preferences, read once from the user defaults and written back on every change.
#pragma once

#include <functional>
#include <optional>
#include <utility>

#include "base/Log.h"
#include "base/NotificationCenter.h"
#include "base/Published.h"
#include "model/LoginItem.h"
#include "model/PresetLayout.h"
#include "model/UserDefaults.h"

namespace vantrel {

namespace defaultsKey {
inline constexpr const char* kLaunchAtLogin = "launchAtLogin";
inline constexpr const char* kShowWindowCount = "showWindowCount";
inline constexpr const char* kCheckForUpdates = "checkForUpdates";
inline constexpr const char* kIgnoreSpaceMismatch = "ignoreSpaceMismatch";
inline constexpr const char* kPresetShortcuts = "presetShortcuts";
}  // namespace defaultsKey

inline constexpr const char* kPresetShortcutsDidChange = "presetShortcutsDidChange";

// Read and observe a published value without being able to write it: writes must go through
// the store so that they are persisted.
template <typename T>
class PublishedView {
  public:
    explicit PublishedView(Published<T>& value) : value_(&value) {}
    T get() const { return value_->get(); }
    [[nodiscard]] Subscription onWillChange(typename Published<T>::Observer observer) {
        return value_->onWillChange(std::move(observer));
    }
    [[nodiscard]] Subscription onDidChange(typename Published<T>::Observer observer) {
        return value_->onDidChange(std::move(observer));
    }

  private:
    Published<T>* value_;
};

class PreferencesStore {
  public:
    // Reads the stored preferences; posts "presetShortcutsDidChange" if a valid map is stored.
    PreferencesStore(UserDefaults& defaults, LoginItem& loginItem,
                     NotificationCenter& notifications, Log& log);
    PreferencesStore(const PreferencesStore&) = delete;
    PreferencesStore& operator=(const PreferencesStore&) = delete;

    // The defaults store itself, for keys the store does not own ("hasCompletedOnboarding").
    UserDefaults& defaults() const { return defaults_; }

    // The update service exists only after the store; it hands over its switch when created.
    void setAutomaticUpdateSwitch(std::function<void(bool enabled)> automaticChecks) {
        automaticUpdateSwitch_ = std::move(automaticChecks);
    }

    // Every setter announces the change, keeps the value, then persists it and runs its effect.
    bool launchAtLogin() const { return launchAtLogin_.get(); }
    void setLaunchAtLogin(bool enabled);
    PublishedView<bool> launchAtLoginPublisher() { return PublishedView(launchAtLogin_); }

    bool showWindowCount() const { return showWindowCount_.get(); }
    // Announced only: this preference is never written back.
    void setShowWindowCount(bool show) { showWindowCount_.set(show); }
    PublishedView<bool> showWindowCountPublisher() { return PublishedView(showWindowCount_); }

    bool checkForUpdates() const { return checkForUpdates_.get(); }
    void setCheckForUpdates(bool enabled);
    PublishedView<bool> checkForUpdatesPublisher() { return PublishedView(checkForUpdates_); }

    bool ignoreSpaceMismatch() const { return ignoreSpaceMismatch_.get(); }
    void setIgnoreSpaceMismatch(bool ignore);
    PublishedView<bool> ignoreSpaceMismatchPublisher() {
        return PublishedView(ignoreSpaceMismatch_);
    }

    PresetShortcutMap presetShortcuts() const { return presetShortcuts_.get(); }
    void setPresetShortcuts(PresetShortcutMap shortcuts);
    // One entry through the same write path; nullopt removes the preset's shortcut.
    void setPresetShortcut(PresetLayout preset, std::optional<PresetShortcut> shortcut);
    PublishedView<PresetShortcutMap> presetShortcutsPublisher() {
        return PublishedView(presetShortcuts_);
    }

  private:
    UserDefaults& defaults_;
    LoginItem& loginItem_;
    NotificationCenter& notifications_;
    Log& log_;
    std::function<void(bool)> automaticUpdateSwitch_;

    Published<bool> launchAtLogin_;
    Published<bool> showWindowCount_;
    Published<bool> checkForUpdates_;
    Published<bool> ignoreSpaceMismatch_;
    Published<PresetShortcutMap> presetShortcuts_;
};

}  // namespace vantrel
