// System-wide hotkeys for the layouts' and the presets' shortcuts, rebuilt whenever either changes.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "automation/HotkeySystem.h"
#include "automation/LayoutManager.h"
#include "base/Log.h"
#include "base/MainQueue.h"
#include "base/NotificationCenter.h"
#include "base/Subscription.h"
#include "engine/PresetLayoutService.h"
#include "model/PreferencesStore.h"

namespace vantrel {

class HotkeyService {
  public:
    using Action = std::function<void()>;

    HotkeyService(HotkeySystem& hotkeys, LayoutManager& layoutManager,
                  PreferencesStore& preferences, PresetLayoutService& presets, MainQueue& mainQueue,
                  NotificationCenter& notifications, Log& log);
    HotkeyService(const HotkeyService&) = delete;
    HotkeyService& operator=(const HotkeyService&) = delete;
    // Stops observing, releases every hotkey and removes the press handler.
    ~HotkeyService();

    // Installs the press handler, registers every shortcut and starts following changes. Main
    // thread; runs once.
    void start();

    // Registers one combination; the action runs on the main queue when it is pressed. Returns
    // the hotkey's id, or nothing when the facility refused it (logged).
    std::optional<std::uint32_t> registerHotkey(std::uint16_t keyCode, std::uint64_t modifiers,
                                                Action action);
    void unregisterAll();
    void registerLayoutHotkeys();
    void registerPresetHotkeys();
    // The rebuild: every hotkey released, then layouts in list order, then presets.
    void shortcutsDidChange();

    // The stored modifier flags as the hotkey facility's modifier mask.
    static std::uint32_t carbonModifiers(std::uint64_t modifiers);

    std::uint32_t nextHotKeyID() const { return nextHotKeyID_; }
    // Ids registered now, ascending.
    std::vector<std::uint32_t> registeredIDs() const;

  private:
    // Shared with the press handler, which may run on any thread and outlive the service.
    struct Registry {
        mutable std::mutex lock;
        std::map<std::uint32_t, HotkeyRef> hotKeyRefs;
        std::map<std::uint32_t, std::shared_ptr<Action>> callbacks;
    };

    static int handlePress(const std::shared_ptr<Registry>& registry, MainQueue& mainQueue,
                           std::optional<HotkeyID> id);

    HotkeySystem& hotkeys_;
    LayoutManager& layoutManager_;
    PreferencesStore& preferences_;
    PresetLayoutService& presets_;
    MainQueue& mainQueue_;
    NotificationCenter& notifications_;
    Log& log_;
    std::shared_ptr<Registry> registry_;
    std::uint32_t nextHotKeyID_ = 1;  // never reused, never reset
    Subscription eventHandler_;
    Subscriptions observers_;
    bool started_ = false;
    // Lets queued actions see that the service is gone.
    std::shared_ptr<HotkeyService*> self_;
};

}  // namespace vantrel
