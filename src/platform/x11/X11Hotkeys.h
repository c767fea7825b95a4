// Global hotkeys on X11: passive key grabs on the root window, presses read from our own
// connection.
#pragma once

#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "base/FdWatch.h"
#include "base/Log.h"
#include "base/MainQueue.h"
#include "base/ObserverList.h"
#include "base/Result.h"
#include "platform/api/HotkeySystem.h"
#include "platform/x11/XkbKeyboard.h"

namespace vantrel {

// One private connection guarded by a mutex. Registrations happen on the main thread; presses
// are read when the main loop finds the connection readable and reach the handler there.
class X11Hotkeys final : public HotkeySystem {
  public:
    // `display` is the display to open; the DISPLAY environment variable when none.
    X11Hotkeys(Log& log, MainQueue& mainQueue, std::optional<std::string> display = std::nullopt);
    ~X11Hotkeys() override;
    X11Hotkeys(const X11Hotkeys&) = delete;
    X11Hotkeys& operator=(const X11Hotkeys&) = delete;

    // Opens the connection and reads the keyboard mapping. Registrations before it fail.
    Status connect();
    // The connection's descriptor for the main loop to watch; -1 when not connected.
    int fileDescriptor() const;
    // Reads what the server sent and hands presses of registered combinations to the handler.
    void processEvents();
    // Has the main loop call processEvents whenever the connection has input.
    [[nodiscard]] Subscription watchEvents(FdWatch& watch);
    // Calls `handler` on the main queue once the connection to the X server is lost. It is
    // logged once; registrations then fail and no press arrives.
    [[nodiscard]] Subscription onConnectionLost(std::function<void()> handler);

    // HotkeySystem
    Subscription installPressHandler(PressHandler handler) override;
    HotkeyRegistration registerHotkey(std::uint32_t keyCode, std::uint32_t modifierMask,
                                      HotkeyID id) override;
    int unregisterHotkey(HotkeyRef ref) override;
    std::optional<std::uint16_t> keyCodeOfNativeKey(std::uint32_t nativeKey) override;
    std::string keyLabel(std::uint16_t keyCode) override;
    Subscription onKeyboardChanged(std::function<void()> handler) override;

  private:
    struct Registration {
        std::uint32_t keyCode = 0;       // as stored
        std::uint32_t modifierMask = 0;  // hotkey modifier mask
        HotkeyID id;
        std::uint16_t modifiers = 0;  // X modifier state
        std::vector<xcb_keycode_t> keycodes;
    };
    struct Modifiers {
        std::uint16_t super = XCB_MOD_MASK_4;
        std::uint16_t alt = XCB_MOD_MASK_1;
        std::uint16_t numLock = 0;
        std::uint16_t scrollLock = 0;
    };

    // Everything below runs with mutex_ held.
    bool usableLocked();
    void readModifiersLocked();
    std::uint16_t xModifiersLocked(std::uint32_t modifierMask) const;
    std::vector<std::uint16_t> lockVariantsLocked() const;
    std::vector<xcb_keycode_t> keycodesLocked(std::uint32_t keyCode);
    // Grabs every variant; on any refusal releases them all and returns the status.
    int grabLocked(const Registration& registration);
    void ungrabLocked(const Registration& registration);
    // Grabs every registration's keys again after a keyboard change; only what changed is
    // released and taken. `heldLockVariants`: the lock variants grabbed so far (none on a new
    // connection).
    void regrabAllLocked(const std::vector<std::uint16_t>& heldLockVariants);
    static std::set<std::pair<xcb_keycode_t, std::uint16_t>> grabsOf(
        const Registration& registration, const std::vector<std::uint16_t>& lockVariants);
    // Takes the presses out of what the server sent; keyboard changes re-grab at once.
    void collectLocked(std::vector<HotkeyID>& presses);
    void handleEventLocked(const xcb_generic_event_t* event, std::vector<HotkeyID>& presses);
    void deliver(const std::vector<HotkeyID>& presses);
    // Replies we waited for may have read events into the queue without the descriptor
    // showing it: have the main loop look again.
    void scheduleQueuedLocked();

    Log& log_;
    MainQueue& mainQueue_;
    const std::optional<std::string> display_;
    mutable std::mutex mutex_;
    xcb_connection_t* connection_ = nullptr;
    xcb_window_t root_ = XCB_WINDOW_NONE;
    xcb_key_symbols_t* symbols_ = nullptr;
    Modifiers modifiers_;
    bool lost_ = false;
    bool recheckPosted_ = false;
    bool keyboardChangePosted_ = false;
    std::map<HotkeyRef, Registration> registrations_;
    HotkeyRef nextRef_ = 1;
    std::shared_ptr<PressHandler> handler_;
    ObserverList<> lostObservers_;
    ObserverList<> keyboardObservers_;
    // Keys by position, over a connection of its own; guarded by mutex_ like the rest.
    XkbKeyboard keyboard_;
    // Lets posted work see that the facility is gone.
    std::shared_ptr<X11Hotkeys*> self_;
};

}  // namespace vantrel
