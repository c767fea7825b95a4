// Hotkey registration, the rebuild on changes, and press dispatch to the main queue.
#include "automation/HotkeyService.h"

#include <algorithm>
#include <string>

#include "model/WindowLayout.h"

namespace vantrel {

HotkeyService::HotkeyService(HotkeySystem& hotkeys, LayoutManager& layoutManager,
                             PreferencesStore& preferences, PresetLayoutService& presets,
                             MainQueue& mainQueue, NotificationCenter& notifications, Log& log)
    : hotkeys_(hotkeys),
      layoutManager_(layoutManager),
      preferences_(preferences),
      presets_(presets),
      mainQueue_(mainQueue),
      notifications_(notifications),
      log_(log),
      registry_(std::make_shared<Registry>()),
      self_(std::make_shared<HotkeyService*>(this)) {}

HotkeyService::~HotkeyService() {
    observers_.clear();
    unregisterAll();
    eventHandler_.reset();
}

void HotkeyService::start() {
    if (started_) return;
    started_ = true;
    eventHandler_ = hotkeys_.installPressHandler(
        [registry = registry_, queue = &mainQueue_](std::optional<HotkeyID> id) {
            return handlePress(registry, *queue, id);
        });
    shortcutsDidChange();
    // Observed only now: the preferences' own announcement at creation needs no second rebuild.
    for (const char* name : {kLayoutsDidChange, kPresetShortcutsDidChange}) {
        observers_.push_back(notifications_.addObserver(
            name, [this](const Notification&) { shortcutsDidChange(); }));
    }
}

std::uint32_t HotkeyService::carbonModifiers(std::uint64_t modifiers) {
    std::uint32_t mask = 0;
    if ((modifiers & modifier::kCommand) != 0) mask |= hotkey_modifier::kCommand;
    if ((modifiers & modifier::kShift) != 0) mask |= hotkey_modifier::kShift;
    if ((modifiers & modifier::kOption) != 0) mask |= hotkey_modifier::kOption;
    if ((modifiers & modifier::kControl) != 0) mask |= hotkey_modifier::kControl;
    return mask;
}

std::optional<std::uint32_t> HotkeyService::registerHotkey(std::uint16_t keyCode,
                                                           std::uint64_t modifiers, Action action) {
    const std::uint32_t id = nextHotKeyID_;
    const auto registration = hotkeys_.registerHotkey(keyCode, carbonModifiers(modifiers),
                                                      HotkeyID{kHotkeySignature, id});
    if (registration.status != hotkey_status::kNoError || !registration.ref) {
        log_.line("HotkeyService: Failed to register hotkey: " +
                  std::to_string(registration.status));
        return std::nullopt;
    }
    {
        std::lock_guard lock(registry_->lock);
        registry_->hotKeyRefs[id] = *registration.ref;
        registry_->callbacks[id] = std::make_shared<Action>(std::move(action));
    }
    ++nextHotKeyID_;
    return id;
}

void HotkeyService::unregisterAll() {
    std::map<std::uint32_t, HotkeyRef> refs;
    {
        std::lock_guard lock(registry_->lock);
        refs = std::exchange(registry_->hotKeyRefs, {});
        registry_->callbacks.clear();
    }
    // The facility is called without the lock, so a press arriving meanwhile is not held up.
    for (const auto& [id, ref] : refs) (void)hotkeys_.unregisterHotkey(ref);
}

void HotkeyService::registerLayoutHotkeys() {
    for (const auto& layout : layoutManager_.layouts.get()) {
        if (!layout.shortcutKeyCode || !layout.shortcutModifiers) continue;
        std::weak_ptr<HotkeyService*> weak = self_;
        registerHotkey(
            *layout.shortcutKeyCode, *layout.shortcutModifiers, [weak, layoutID = layout.id] {
                auto self = weak.lock();
                if (!self) return;
                LayoutManager& manager = (*self)->layoutManager_;
                // Looked up now, so an edited layout restores as edited.
                const auto current = manager.layouts.get();
                const auto it =
                    std::find_if(current.begin(), current.end(),
                                 [&](const WindowLayout& entry) { return entry.id == layoutID; });
                if (it != current.end()) manager.restoreLayout(*it, {}, RestoreOrigin::background);
            });
    }
}

void HotkeyService::registerPresetHotkeys() {
    for (const auto& [key, shortcut] : preferences_.presetShortcuts()) {
        const auto preset = presetLayoutFromRawValue(key);
        if (!preset) continue;
        std::weak_ptr<HotkeyService*> weak = self_;
        registerHotkey(shortcut.keyCode, shortcut.modifiers, [weak, preset = *preset] {
            if (auto self = weak.lock()) (*self)->presets_.apply(preset);
        });
    }
}

void HotkeyService::shortcutsDidChange() {
    unregisterAll();
    registerLayoutHotkeys();
    registerPresetHotkeys();
}

std::vector<std::uint32_t> HotkeyService::registeredIDs() const {
    std::lock_guard lock(registry_->lock);
    std::vector<std::uint32_t> ids;
    for (const auto& [id, ref] : registry_->hotKeyRefs) ids.push_back(id);
    return ids;
}

int HotkeyService::handlePress(const std::shared_ptr<Registry>& registry, MainQueue& mainQueue,
                               std::optional<HotkeyID> id) {
    if (!id) return hotkey_status::kEventNotHandled;
    std::shared_ptr<Action> action;
    {
        std::lock_guard lock(registry->lock);
        const auto it = registry->callbacks.find(id->id);
        if (it == registry->callbacks.end()) return hotkey_status::kEventNotHandled;
        action = it->second;
    }
    // Presses may arrive on any thread; the action always runs on the main thread.
    mainQueue.post([action] { (*action)(); });
    return hotkey_status::kNoError;
}

}  // namespace vantrel
