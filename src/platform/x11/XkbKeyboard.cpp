// Keymap reading through xkbcommon, key positions by key name, labels from the current group.
#include "platform/x11/XkbKeyboard.h"

#include <xkbcommon/xkbcommon-x11.h>
#include <xkbcommon/xkbcommon.h>

#include <string_view>

#include "platform/freedesktop/KeyCodes.h"

namespace vantrel {

XkbKeyboard::XkbKeyboard(std::optional<std::string> display) : display_(std::move(display)) {}

XkbKeyboard::~XkbKeyboard() {
    release();
    if (context_ != nullptr) xkb_context_unref(context_);
    if (connection_ != nullptr) xcb_disconnect(connection_);
}

void XkbKeyboard::release() {
    if (state_ != nullptr) xkb_state_unref(state_);
    if (keymap_ != nullptr) xkb_keymap_unref(keymap_);
    state_ = nullptr;
    keymap_ = nullptr;
}

void XkbKeyboard::invalidate() {
    release();
    failed_ = false;
}

bool XkbKeyboard::available() {
    return load();
}

bool XkbKeyboard::load() {
    if (keymap_ != nullptr) return true;
    if (failed_) return false;
    failed_ = true;
    if (connection_ != nullptr && xcb_connection_has_error(connection_) != 0) {
        xcb_disconnect(connection_);
        connection_ = nullptr;
    }
    if (connection_ == nullptr) {
        connection_ = xcb_connect(display_ ? display_->c_str() : nullptr, nullptr);
        if (xcb_connection_has_error(connection_) != 0) return false;
        if (xkb_x11_setup_xkb_extension(
                connection_, XKB_X11_MIN_MAJOR_XKB_VERSION, XKB_X11_MIN_MINOR_XKB_VERSION,
                XKB_X11_SETUP_XKB_EXTENSION_NO_FLAGS, nullptr, nullptr, nullptr, nullptr) == 0)
            return false;
    }
    if (context_ == nullptr) context_ = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    if (context_ == nullptr) return false;
    const std::int32_t device = xkb_x11_get_core_keyboard_device_id(connection_);
    if (device < 0) return false;
    keymap_ =
        xkb_x11_keymap_new_from_device(context_, connection_, device, XKB_KEYMAP_COMPILE_NO_FLAGS);
    if (keymap_ == nullptr) return false;
    state_ = xkb_x11_state_new_from_device(keymap_, connection_, device);
    if (state_ == nullptr) {
        release();
        return false;
    }
    failed_ = false;
    return true;
}

std::optional<xcb_keycode_t> XkbKeyboard::keycodeOf(std::uint16_t keyCode) {
    const auto name = freedesktop::xkbKeyName(keyCode);
    if (!name || !load()) return std::nullopt;
    const xkb_keycode_t keycode = xkb_keymap_key_by_name(keymap_, std::string(*name).c_str());
    // X keycodes are one byte; xkbcommon answers XKB_KEYCODE_INVALID for an unknown name.
    if (keycode == XKB_KEYCODE_INVALID || keycode > 255) return std::nullopt;
    return static_cast<xcb_keycode_t>(keycode);
}

std::optional<std::uint16_t> XkbKeyboard::keyCodeOf(xcb_keycode_t keycode) {
    if (!load()) return std::nullopt;
    const char* name = xkb_keymap_key_get_name(keymap_, keycode);
    if (name == nullptr) return std::nullopt;
    return freedesktop::keyCodeForXkbKeyName(name);
}

std::string XkbKeyboard::label(std::uint16_t keyCode) {
    const auto keycode = keycodeOf(keyCode);
    if (!keycode) return {};
    const xkb_layout_index_t group = xkb_state_key_get_layout(state_, *keycode);
    if (group == XKB_LAYOUT_INVALID) return {};
    const xkb_keysym_t* syms = nullptr;
    if (xkb_keymap_key_get_syms_by_level(keymap_, *keycode, group, 0, &syms) < 1) return {};
    // Capitals where the letter has one (not every library version knows one for ß).
    for (const xkb_keysym_t sym : {xkb_keysym_to_upper(syms[0]), syms[0]}) {
        char text[16] = {};
        const int size = xkb_keysym_to_utf8(sym, text, sizeof text);
        // Dead keys and keys without a character give nothing; the fixed name is used instead.
        if (size > 1 && static_cast<unsigned char>(text[0]) > 0x20 && text[0] != 0x7F)
            return std::string(text);
    }
    return {};
}

}  // namespace vantrel
