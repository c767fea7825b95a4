// The keyboard as the X keyboard extension describes it: keys by position, and what the
// layout in use prints on them.
#pragma once

#include <xcb/xcb.h>

#include <cstdint>
#include <optional>
#include <string>

struct xkb_context;
struct xkb_keymap;
struct xkb_state;

namespace vantrel {

// Reads the keymap over a connection of its own (a client of the keyboard extension no longer
// hears of layout switches the plain way, which the hotkeys' connection relies on). Not thread
// safe: its owner serialises the calls.
class XkbKeyboard {
  public:
    // `display` is the display to open; the DISPLAY environment variable when none.
    explicit XkbKeyboard(std::optional<std::string> display);
    ~XkbKeyboard();
    XkbKeyboard(const XkbKeyboard&) = delete;
    XkbKeyboard& operator=(const XkbKeyboard&) = delete;

    // Whether the keymap can be read (it is read now if it is not yet).
    bool available();
    // Forgets the keymap; the next question reads it again.
    void invalidate();
    // The X keycode of the key at a stored key code's position; none when there is no such key.
    std::optional<xcb_keycode_t> keycodeOf(std::uint16_t keyCode);
    // The stored key code of the key with this X keycode.
    std::optional<std::uint16_t> keyCodeOf(xcb_keycode_t keycode);
    // What the layout in use prints on the key, in capitals; empty when nothing printable.
    std::string label(std::uint16_t keyCode);

  private:
    bool load();
    void release();

    const std::optional<std::string> display_;
    xcb_connection_t* connection_ = nullptr;
    xkb_context* context_ = nullptr;
    xkb_keymap* keymap_ = nullptr;
    xkb_state* state_ = nullptr;
    // Read once and failed: not asked again until invalidated.
    bool failed_ = false;
};

}  // namespace vantrel
