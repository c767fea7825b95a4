// Passive key grabs for every lock-key variant of a combination, checked one by one.
#include "platform/x11/X11Hotkeys.h"

#include <algorithm>
#include <cstdlib>
#include <set>

#include "platform/freedesktop/KeyCodes.h"
#include "platform/x11/XcbReply.h"

namespace vantrel {
namespace {

// Keysyms that identify the modifiers in the server's modifier map.
constexpr xcb_keysym_t kSuperL = 0xffeb, kSuperR = 0xffec;
constexpr xcb_keysym_t kAltL = 0xffe9, kAltR = 0xffea, kMetaL = 0xffe7, kMetaR = 0xffe8;
constexpr xcb_keysym_t kNumLock = 0xff7f, kScrollLock = 0xff14;
// The modifier bits a key event's state carries (the rest are pointer buttons).
constexpr std::uint16_t kModifierBits = 0xFF;

}  // namespace

X11Hotkeys::X11Hotkeys(Log& log, MainQueue& mainQueue, std::optional<std::string> display)
    : log_(log),
      mainQueue_(mainQueue),
      display_(std::move(display)),
      keyboard_(display_),
      self_(std::make_shared<X11Hotkeys*>(this)) {}

X11Hotkeys::~X11Hotkeys() {
    self_.reset();
    std::lock_guard lock(mutex_);
    if (symbols_ != nullptr) xcb_key_symbols_free(symbols_);
    // Closing the connection releases every grab it holds.
    if (connection_ != nullptr) xcb_disconnect(connection_);
}

Status X11Hotkeys::connect() {
    std::lock_guard lock(mutex_);
    if (connection_ != nullptr && !lost_) return Ok{};
    int screenNumber = 0;
    xcb_connection_t* c = xcb_connect(display_ ? display_->c_str() : nullptr, &screenNumber);
    if (xcb_connection_has_error(c) != 0) {
        xcb_disconnect(c);
        return Error{"Cannot open the X display " + display_.value_or("")};
    }
    auto screens = xcb_setup_roots_iterator(xcb_get_setup(c));
    for (int i = 0; i < screenNumber && screens.rem > 0; ++i) xcb_screen_next(&screens);
    if (screens.rem == 0) {
        xcb_disconnect(c);
        return Error{"The X display has no such screen"};
    }
    if (symbols_ != nullptr) xcb_key_symbols_free(symbols_);
    if (connection_ != nullptr) xcb_disconnect(connection_);
    connection_ = c;
    root_ = screens.data->root;
    lost_ = false;
    symbols_ = xcb_key_symbols_alloc(c);
    if (symbols_ == nullptr) {
        lost_ = true;
        return Error{"Cannot read the keyboard mapping"};
    }
    readModifiersLocked();
    // Grabs held by an earlier connection went with it.
    regrabAllLocked({});
    if (!usableLocked()) return Error{"The X server did not answer"};
    return Ok{};
}

int X11Hotkeys::fileDescriptor() const {
    std::lock_guard lock(mutex_);
    return connection_ != nullptr && !lost_ ? xcb_get_file_descriptor(connection_) : -1;
}

Subscription X11Hotkeys::watchEvents(FdWatch& watch) {
    const int fd = fileDescriptor();
    if (fd < 0) return {};
    return watch.watchReadable(fd, [this] { processEvents(); });
}

Subscription X11Hotkeys::onConnectionLost(std::function<void()> handler) {
    return lostObservers_.add(std::move(handler));
}

bool X11Hotkeys::usableLocked() {
    if (connection_ == nullptr) return false;
    if (!lost_ && xcb_connection_has_error(connection_) != 0) {
        lost_ = true;
        log_.line("X11Hotkeys: Lost the connection to the X server");
        lostObservers_.post(mainQueue_);
    }
    return !lost_;
}

void X11Hotkeys::readModifiersLocked() {
    Modifiers found{0, 0, 0, 0};
    auto* reply =
        xcb_get_modifier_mapping_reply(connection_, xcb_get_modifier_mapping(connection_), nullptr);
    if (reply != nullptr) {
        const xcb_keycode_t* keycodes = xcb_get_modifier_mapping_keycodes(reply);
        const int perModifier = reply->keycodes_per_modifier;
        // Shift, Lock and Control are fixed; Super, Alt and the lock keys sit on Mod1-Mod5
        // wherever this keyboard map puts them.
        for (int modifier = 3; modifier < 8; ++modifier) {
            const auto bit = static_cast<std::uint16_t>(1u << modifier);
            for (int k = 0; k < perModifier; ++k) {
                const xcb_keycode_t keycode = keycodes[modifier * perModifier + k];
                if (keycode == 0) continue;
                for (int column = 0; column < 4; ++column) {
                    const xcb_keysym_t sym = xcb_key_symbols_get_keysym(symbols_, keycode, column);
                    if (sym == kSuperL || sym == kSuperR) found.super |= bit;
                    if (sym == kAltL || sym == kAltR || sym == kMetaL || sym == kMetaR)
                        found.alt |= bit;
                    if (sym == kNumLock) found.numLock |= bit;
                    if (sym == kScrollLock) found.scrollLock |= bit;
                }
            }
        }
        std::free(reply);
    }
    // Without such keys in the map, the usual places.
    modifiers_.super = found.super != 0 ? found.super : std::uint16_t{XCB_MOD_MASK_4};
    modifiers_.alt = found.alt != 0 ? found.alt : std::uint16_t{XCB_MOD_MASK_1};
    // A lock key sharing a bit with Super or Alt would make those combinations unreachable.
    const auto taken = static_cast<std::uint16_t>(modifiers_.super | modifiers_.alt);
    modifiers_.numLock = static_cast<std::uint16_t>(found.numLock & ~taken);
    modifiers_.scrollLock = static_cast<std::uint16_t>(found.scrollLock & ~taken & ~found.numLock);
}

std::uint16_t X11Hotkeys::xModifiersLocked(std::uint32_t modifierMask) const {
    std::uint16_t state = 0;
    if ((modifierMask & hotkey_modifier::kCommand) != 0) state |= modifiers_.super;
    if ((modifierMask & hotkey_modifier::kOption) != 0) state |= modifiers_.alt;
    if ((modifierMask & hotkey_modifier::kControl) != 0) state |= XCB_MOD_MASK_CONTROL;
    if ((modifierMask & hotkey_modifier::kShift) != 0) state |= XCB_MOD_MASK_SHIFT;
    return state;
}

std::vector<std::uint16_t> X11Hotkeys::lockVariantsLocked() const {
    // A combination must fire whatever Caps Lock, Num Lock and Scroll Lock are doing.
    std::vector<std::uint16_t> locks{XCB_MOD_MASK_LOCK};
    if (modifiers_.numLock != 0) locks.push_back(modifiers_.numLock);
    if (modifiers_.scrollLock != 0) locks.push_back(modifiers_.scrollLock);
    std::vector<std::uint16_t> variants;
    for (std::size_t subset = 0; subset < (std::size_t{1} << locks.size()); ++subset) {
        std::uint16_t mask = 0;
        for (std::size_t i = 0; i < locks.size(); ++i)
            if ((subset & (std::size_t{1} << i)) != 0) mask |= locks[i];
        variants.push_back(mask);
    }
    return variants;
}

std::vector<xcb_keycode_t> X11Hotkeys::keycodesLocked(std::uint32_t keyCode) {
    std::vector<xcb_keycode_t> result;
    // A stored key code is a key position: the key there, whatever the layout prints on it.
    if (keyboard_.available()) {
        if (const auto keycode = keyboard_.keycodeOf(static_cast<std::uint16_t>(keyCode)))
            result.push_back(*keycode);
        return result;
    }
    // Without the keyboard extension: the key that makes the US layout's symbol.
    const auto keysym = freedesktop::keysymForKeyCode(keyCode);
    if (!keysym || symbols_ == nullptr) return result;
    // A keysym may sit on several keys (both Return keys, say): grab each of them.
    xcb_keycode_t* keycodes = xcb_key_symbols_get_keycode(symbols_, *keysym);
    if (keycodes == nullptr) return result;
    for (const xcb_keycode_t* k = keycodes; *k != XCB_NO_SYMBOL; ++k)
        if (std::find(result.begin(), result.end(), *k) == result.end()) result.push_back(*k);
    std::free(keycodes);
    return result;
}

int X11Hotkeys::grabLocked(const Registration& registration) {
    std::vector<xcb_void_cookie_t> cookies;
    for (const xcb_keycode_t keycode : registration.keycodes)
        for (const std::uint16_t variant : lockVariantsLocked())
            cookies.push_back(xcb_grab_key_checked(
                connection_, 1, root_, static_cast<std::uint16_t>(registration.modifiers | variant),
                keycode, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
    int status = hotkey_status::kNoError;
    // Every request is checked, so no error is left to arrive later as an event.
    for (const auto cookie : cookies) {
        xcb_generic_error_t* error = xcb_request_check(connection_, cookie);
        if (error == nullptr) continue;
        // BadAccess: another client holds this combination.
        const int refused = error->error_code == XCB_ACCESS ? hotkey_status::kHotkeyExists
                                                            : hotkey_status::kInvalidHotkey;
        if (status == hotkey_status::kNoError) status = refused;
        std::free(error);
    }
    if (!usableLocked()) return hotkey_status::kInvalidHotkey;
    if (status != hotkey_status::kNoError) ungrabLocked(registration);
    return status;
}

void X11Hotkeys::ungrabLocked(const Registration& registration) {
    // Releasing a variant another client holds leaves theirs alone: ungrabs are per client.
    for (const xcb_keycode_t keycode : registration.keycodes)
        for (const std::uint16_t variant : lockVariantsLocked())
            xcb_ungrab_key(connection_, keycode, root_,
                           static_cast<std::uint16_t>(registration.modifiers | variant));
    // Once this returns the combination is free for others: wait until the server has done it.
    x11::roundTrip(connection_);
    scheduleQueuedLocked();
}

std::set<std::pair<xcb_keycode_t, std::uint16_t>> X11Hotkeys::grabsOf(
    const Registration& registration, const std::vector<std::uint16_t>& lockVariants) {
    std::set<std::pair<xcb_keycode_t, std::uint16_t>> grabs;
    for (const xcb_keycode_t keycode : registration.keycodes)
        for (const std::uint16_t variant : lockVariants)
            grabs.emplace(keycode, static_cast<std::uint16_t>(registration.modifiers | variant));
    return grabs;
}

void X11Hotkeys::regrabAllLocked(const std::vector<std::uint16_t>& heldLockVariants) {
    if (!usableLocked()) return;
    const auto lockVariants = lockVariantsLocked();
    for (auto& [ref, registration] : registrations_) {
        const auto held = grabsOf(registration, heldLockVariants);
        registration.modifiers = xModifiersLocked(registration.modifierMask);
        registration.keycodes = keycodesLocked(registration.keyCode);
        const auto wanted = grabsOf(registration, lockVariants);
        // Most notices change nothing (the server sends one whenever another keyboard types,
        // xdotool's too): releasing and grabbing again would lose a press that comes in between.
        if (held == wanted) continue;
        // The new keys are taken before the old ones go, so the combination is never free.
        if (const int status = grabLocked(registration); status != hotkey_status::kNoError)
            log_.line("X11Hotkeys: Lost a hotkey to a keyboard change: " + std::to_string(status));
        for (const auto& [keycode, modifiers] : held)
            if (!wanted.contains({keycode, modifiers}))
                xcb_ungrab_key(connection_, keycode, root_, modifiers);
    }
    xcb_flush(connection_);
    scheduleQueuedLocked();
}

void X11Hotkeys::scheduleQueuedLocked() {
    if (recheckPosted_) return;
    recheckPosted_ = true;
    mainQueue_.post([weak = std::weak_ptr<X11Hotkeys*>(self_)] {
        if (auto self = weak.lock()) (*self)->processEvents();
    });
}

Subscription X11Hotkeys::installPressHandler(PressHandler handler) {
    auto shared = std::make_shared<PressHandler>(std::move(handler));
    {
        std::lock_guard lock(mutex_);
        handler_ = shared;
    }
    return Subscription([weak = std::weak_ptr<X11Hotkeys*>(self_),
                         installed = std::weak_ptr<PressHandler>(shared)] {
        auto self = weak.lock();
        if (!self) return;
        X11Hotkeys& hotkeys = **self;
        std::lock_guard lock(hotkeys.mutex_);
        if (hotkeys.handler_ == installed.lock()) hotkeys.handler_.reset();
    });
}

HotkeyRegistration X11Hotkeys::registerHotkey(std::uint32_t keyCode, std::uint32_t modifierMask,
                                              HotkeyID id) {
    std::lock_guard lock(mutex_);
    if (!usableLocked()) return {hotkey_status::kInvalidHotkey, std::nullopt};
    const std::uint32_t known = hotkey_modifier::kCommand | hotkey_modifier::kOption |
                                hotkey_modifier::kControl | hotkey_modifier::kShift;
    modifierMask &= known;
    // The server lets a client grab the same combination twice; we do not.
    for (const auto& [ref, registration] : registrations_)
        if (registration.keyCode == keyCode && registration.modifierMask == modifierMask)
            return {hotkey_status::kHotkeyExists, std::nullopt};
    Registration registration{keyCode, modifierMask, id, xModifiersLocked(modifierMask),
                              keycodesLocked(keyCode)};
    if (registration.keycodes.empty()) return {hotkey_status::kInvalidHotkey, std::nullopt};
    const int status = grabLocked(registration);
    scheduleQueuedLocked();
    if (status != hotkey_status::kNoError) return {status, std::nullopt};
    const HotkeyRef ref = nextRef_++;
    registrations_.emplace(ref, std::move(registration));
    return {hotkey_status::kNoError, ref};
}

int X11Hotkeys::unregisterHotkey(HotkeyRef ref) {
    std::lock_guard lock(mutex_);
    const auto it = registrations_.find(ref);
    if (it == registrations_.end()) return hotkey_status::kInvalidHotkey;
    if (usableLocked()) ungrabLocked(it->second);
    registrations_.erase(it);
    return hotkey_status::kNoError;
}

std::optional<std::uint16_t> X11Hotkeys::keyCodeOfNativeKey(std::uint32_t nativeKey) {
    std::lock_guard lock(mutex_);
    if (nativeKey == 0 || nativeKey > 255) return std::nullopt;
    return keyboard_.keyCodeOf(static_cast<xcb_keycode_t>(nativeKey));
}

std::string X11Hotkeys::keyLabel(std::uint16_t keyCode) {
    std::lock_guard lock(mutex_);
    return keyboard_.label(keyCode);
}

Subscription X11Hotkeys::onKeyboardChanged(std::function<void()> handler) {
    return keyboardObservers_.add(std::move(handler));
}

void X11Hotkeys::processEvents() {
    std::vector<HotkeyID> presses;
    {
        std::lock_guard lock(mutex_);
        recheckPosted_ = false;
        if (!usableLocked()) return;
        collectLocked(presses);
    }
    deliver(presses);
}

void X11Hotkeys::collectLocked(std::vector<HotkeyID>& presses) {
    while (xcb_generic_event_t* event = xcb_poll_for_event(connection_)) {
        handleEventLocked(event, presses);
        std::free(event);
    }
    usableLocked();
}

void X11Hotkeys::handleEventLocked(const xcb_generic_event_t* event,
                                   std::vector<HotkeyID>& presses) {
    switch (event->response_type & 0x7F) {
        case XCB_KEY_PRESS: {
            const auto* press = reinterpret_cast<const xcb_key_press_event_t*>(event);
            const auto locks = static_cast<std::uint16_t>(XCB_MOD_MASK_LOCK | modifiers_.numLock |
                                                          modifiers_.scrollLock);
            const auto state = static_cast<std::uint16_t>(press->state & kModifierBits & ~locks);
            for (const auto& [ref, registration] : registrations_) {
                if (registration.modifiers != state) continue;
                const auto& keycodes = registration.keycodes;
                if (std::find(keycodes.begin(), keycodes.end(), press->detail) != keycodes.end())
                    presses.push_back(registration.id);
            }
            return;
        }
        case XCB_MAPPING_NOTIFY: {
            auto* mapping = const_cast<xcb_mapping_notify_event_t*>(
                reinterpret_cast<const xcb_mapping_notify_event_t*>(event));
            if (mapping->request == XCB_MAPPING_POINTER) return;
            // Keys moved: the keycodes and modifier bits of every grab may have changed.
            const auto heldLockVariants = lockVariantsLocked();
            xcb_refresh_keyboard_mapping(symbols_, mapping);
            keyboard_.invalidate();
            readModifiersLocked();
            regrabAllLocked(heldLockVariants);
            // One layout switch sends several of these: tell the observers once.
            if (!keyboardChangePosted_) {
                keyboardChangePosted_ = true;
                mainQueue_.post([weak = std::weak_ptr<X11Hotkeys*>(self_)] {
                    auto self = weak.lock();
                    if (!self) return;
                    {
                        std::lock_guard lock((*self)->mutex_);
                        (*self)->keyboardChangePosted_ = false;
                    }
                    (*self)->keyboardObservers_.notify();
                });
            }
            return;
        }
        default:
            return;  // key releases, and errors of unchecked ungrabs (nothing to undo)
    }
}

void X11Hotkeys::deliver(const std::vector<HotkeyID>& presses) {
    if (presses.empty()) return;
    std::shared_ptr<PressHandler> handler;
    {
        std::lock_guard lock(mutex_);
        handler = handler_;
    }
    if (!handler) return;
    for (const HotkeyID& id : presses) (void)(*handler)(id);
}

}  // namespace vantrel
