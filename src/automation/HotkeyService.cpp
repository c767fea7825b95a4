// Hotkey registration, the rebuild on changes, and press dispatch to the main queue.
#include "automation/HotkeyService.h"

#include <algorithm>
#include <set>
#include <string>

#include "model/ShortcutText.h"
#include "model/WindowLayout.h"

namespace vantrel {
namespace {

std::string ownerDescription(const ShortcutOwner& owner, const std::string& name) {
    return (std::holds_alternative<Uuid>(owner) ? "the layout " : "the quick layout ") + name;
}

}  // namespace

std::string ShortcutProblem::text() const {
    switch (kind) {
        case Kind::none:
            return {};
        case Kind::noModifier:
            return "Add Ctrl, Alt or Super: only F1 to F12 work alone";
        case Kind::usedByLayout:
            return "Used by the layout " + otherName;
        case Kind::usedByPreset:
            return "Used by the quick layout " + otherName;
        case Kind::heldElsewhere:
            return "Another program uses this shortcut";
        case Kind::refused:
            return "This key cannot be a shortcut here";
    }
    return {};
}

HotkeyService::HotkeyService(HotkeySystem& hotkeys, LayoutManager& layoutManager,
                             LayoutCommands& commands, PreferencesStore& preferences,
                             MainQueue& mainQueue, NotificationCenter& notifications, Log& log)
    : hotkeys_(hotkeys),
      layoutManager_(layoutManager),
      preferences_(preferences),
      commands_(commands),
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
    // Keys moved or got other labels: what works, and what the texts say, may have changed.
    keyboardObserver_ = hotkeys_.onKeyboardChanged([this] { shortcutsDidChange(); });
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
    int status = 0;
    return registerHotkey(keyCode, modifiers, std::move(action), status);
}

std::optional<std::uint32_t> HotkeyService::registerHotkey(std::uint16_t keyCode,
                                                           std::uint64_t modifiers, Action action,
                                                           int& status) {
    const std::uint32_t id = nextHotKeyID_;
    const auto registration = hotkeys_.registerHotkey(keyCode, carbonModifiers(modifiers),
                                                      HotkeyID{kHotkeySignature, id});
    status = registration.status;
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
    registered_.clear();
}

void HotkeyService::registerShortcut(const ShortcutOwner& owner, const std::string& ownerName,
                                     std::uint16_t keyCode, std::uint64_t modifiers,
                                     Action action) {
    const Combo combo{keyCode, carbonModifiers(modifiers)};
    ShortcutProblem problem;
    int status = hotkey_status::kNoError;
    const auto kept = previous_.find(combo);
    if (!isUsableGlobally(keyCode, modifiers)) {
        // It would take that key from every program the user types in.
        problem.kind = ShortcutProblem::Kind::noModifier;
    } else if (kept != previous_.end() && !registered_.contains(combo)) {
        // Held already: only the action changes, so no press is lost to a release and re-grab.
        const std::uint32_t id = kept->second.id;
        {
            std::lock_guard lock(registry_->lock);
            registry_->callbacks[id] = std::make_shared<Action>(std::move(action));
        }
        registered_.insert_or_assign(combo, Registered{owner, ownerName, id});
        previous_.erase(kept);
        return;
    } else if (const auto id = registerHotkey(keyCode, modifiers, std::move(action), status)) {
        registered_.insert_or_assign(combo, Registered{owner, ownerName, *id});
        return;
    } else if (const auto it = registered_.find(combo); it != registered_.end()) {
        problem.kind = std::holds_alternative<Uuid>(it->second.owner)
                           ? ShortcutProblem::Kind::usedByLayout
                           : ShortcutProblem::Kind::usedByPreset;
        problem.otherName = it->second.ownerName;
    } else {
        problem.kind = status == hotkey_status::kHotkeyExists ? ShortcutProblem::Kind::heldElsewhere
                                                              : ShortcutProblem::Kind::refused;
    }
    log_.line("HotkeyService: The shortcut " + shortcutText(keyCode, modifiers) + " of " +
              ownerDescription(owner, ownerName) + " does not work: " + problem.text());
    pendingFailures_.push_back(ShortcutFailure{owner, keyCode, modifiers, problem});
}

ShortcutProblem HotkeyService::check(std::uint16_t keyCode, std::uint64_t modifiers,
                                     const ShortcutOwner& owner) {
    ShortcutProblem problem;
    if (!isUsableGlobally(keyCode, modifiers)) {
        problem.kind = ShortcutProblem::Kind::noModifier;
        return problem;
    }
    const std::uint32_t mask = carbonModifiers(modifiers);
    for (const auto& layout : layoutManager_.layouts.get()) {
        if (!layout.hasShortcut() || ShortcutOwner(layout.id) == owner) continue;
        if (*layout.shortcutKeyCode == keyCode &&
            carbonModifiers(*layout.shortcutModifiers) == mask)
            return ShortcutProblem{ShortcutProblem::Kind::usedByLayout, layout.name};
    }
    for (const auto& [key, shortcut] : preferences_.presetShortcuts()) {
        const auto preset = presetLayoutFromRawValue(key);
        if (!preset || ShortcutOwner(*preset) == owner) continue;
        if (shortcut.keyCode == keyCode && carbonModifiers(shortcut.modifiers) == mask)
            return ShortcutProblem{ShortcutProblem::Kind::usedByPreset, key};
    }
    // Held by us for this very owner: nobody else can hold it.
    if (const auto it = registered_.find({keyCode, mask});
        it != registered_.end() && it->second.owner == owner)
        return problem;
    // Whether another program holds it shows only by trying.
    const auto trial = hotkeys_.registerHotkey(keyCode, mask, HotkeyID{kHotkeySignature, 0});
    if (trial.ref) (void)hotkeys_.unregisterHotkey(*trial.ref);
    if (trial.status == hotkey_status::kHotkeyExists)
        problem.kind = ShortcutProblem::Kind::heldElsewhere;
    else if (trial.status != hotkey_status::kNoError || !trial.ref)
        problem.kind = ShortcutProblem::Kind::refused;
    return problem;
}

Subscription HotkeyService::suspend() {
    if (suspensions_++ == 0) unregisterAll();
    return Subscription([weak = std::weak_ptr<HotkeyService*>(self_)] {
        auto self = weak.lock();
        if (!self) return;
        HotkeyService& service = **self;
        if (--service.suspensions_ == 0 && service.started_) service.shortcutsDidChange();
    });
}

std::optional<ShortcutProblem> HotkeyService::failureOf(const ShortcutOwner& owner) const {
    for (const auto& failure : failures.get())
        if (failure.owner == owner) return failure.problem;
    return std::nullopt;
}

std::string HotkeyService::shortcutText(std::uint16_t keyCode, std::uint64_t modifiers) const {
    return vantrel::shortcutText(keyCode, modifiers,
                                 isCharacterKey(keyCode) ? hotkeys_.keyLabel(keyCode) : "");
}

std::optional<std::uint16_t> HotkeyService::keyCodeOfNativeKey(std::uint32_t nativeKey) const {
    return hotkeys_.keyCodeOfNativeKey(nativeKey);
}

void HotkeyService::registerLayoutHotkeys() {
    for (const auto& layout : layoutManager_.layouts.get()) {
        if (!layout.shortcutKeyCode || !layout.shortcutModifiers) continue;
        std::weak_ptr<HotkeyService*> weak = self_;
        registerShortcut(layout.id, layout.name, *layout.shortcutKeyCode, *layout.shortcutModifiers,
                         [weak, layoutID = layout.id] {
                             if (auto self = weak.lock())
                                 (void)(*self)->commands_.restore(
                                     layoutID, RestoreOptions::from(RestoreOrigin::background));
                         });
    }
}

void HotkeyService::registerPresetHotkeys() {
    for (const auto& [key, shortcut] : preferences_.presetShortcuts()) {
        const auto preset = presetLayoutFromRawValue(key);
        if (!preset) continue;
        std::weak_ptr<HotkeyService*> weak = self_;
        registerShortcut(*preset, key, shortcut.keyCode, shortcut.modifiers,
                         [weak, preset = *preset] {
                             if (auto self = weak.lock()) (*self)->commands_.applyPreset(preset);
                         });
    }
}

void HotkeyService::shortcutsDidChange() {
    // A recorder is listening: everything is registered again when it stops.
    if (suspensions_ > 0) {
        unregisterAll();
        return;
    }
    previous_ = std::exchange(registered_, {});
    pendingFailures_.clear();
    registerLayoutHotkeys();
    registerPresetHotkeys();
    previous_.clear();
    releaseAllBut(registered_);
    failures.set(std::exchange(pendingFailures_, {}));
}

void HotkeyService::releaseAllBut(const std::map<Combo, Registered>& keep) {
    std::set<std::uint32_t> kept;
    for (const auto& [combo, entry] : keep) kept.insert(entry.id);
    std::vector<HotkeyRef> refs;
    {
        std::lock_guard lock(registry_->lock);
        for (auto it = registry_->hotKeyRefs.begin(); it != registry_->hotKeyRefs.end();) {
            if (kept.contains(it->first)) {
                ++it;
                continue;
            }
            refs.push_back(it->second);
            registry_->callbacks.erase(it->first);
            it = registry_->hotKeyRefs.erase(it);
        }
    }
    // The facility is called without the lock, so a press arriving meanwhile is not held up.
    for (const HotkeyRef ref : refs) (void)hotkeys_.unregisterHotkey(ref);
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
