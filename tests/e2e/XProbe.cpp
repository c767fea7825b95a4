// vantrel-e2e-xprobe: answers what the shell tools cannot. "selection-owner NAME" prints the
// window that owns the selection (e.g. _NET_SYSTEM_TRAY_S0) and fails when none does;
// "grab-key KEYSYM MODIFIERS" succeeds when this client may grab that key with that X modifier
// mask on the root window (nobody else holds it), and lets it go again.
#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

int selectionOwner(xcb_connection_t* c, const char* name) {
    auto* atomReply = xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 1, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr);
    if (atomReply == nullptr || atomReply->atom == XCB_ATOM_NONE) {
        std::free(atomReply);
        return 1;
    }
    const xcb_atom_t atom = atomReply->atom;
    std::free(atomReply);
    auto* owner = xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, atom), nullptr);
    const xcb_window_t window = owner != nullptr ? owner->owner : xcb_window_t{XCB_WINDOW_NONE};
    std::free(owner);
    if (window == XCB_WINDOW_NONE) return 1;
    std::printf("0x%x\n", window);
    return 0;
}

int grabKey(xcb_connection_t* c, const char* keysym, const char* modifiers) {
    xcb_key_symbols_t* symbols = xcb_key_symbols_alloc(c);
    xcb_keycode_t* keycodes = xcb_key_symbols_get_keycode(
        symbols, static_cast<xcb_keysym_t>(std::strtoul(keysym, nullptr, 0)));
    const xcb_keycode_t keycode = keycodes != nullptr ? keycodes[0] : xcb_keycode_t{0};
    std::free(keycodes);
    xcb_key_symbols_free(symbols);
    if (keycode == 0) return 3;
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    const auto mask = static_cast<std::uint16_t>(std::strtoul(modifiers, nullptr, 0));
    xcb_generic_error_t* error = xcb_request_check(
        c,
        xcb_grab_key_checked(c, 1, root, mask, keycode, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
    const int status = error == nullptr ? 0 : 1;
    std::free(error);
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string command = argc > 1 ? argv[1] : "";
    if (!((argc == 3 && command == "selection-owner") || (argc == 4 && command == "grab-key"))) {
        std::fputs("usage: vantrel-e2e-xprobe selection-owner NAME | grab-key KEYSYM MODIFIERS\n",
                   stderr);
        return 2;
    }
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c) != 0) {
        xcb_disconnect(c);
        return 3;
    }
    const int status =
        command == "grab-key" ? grabKey(c, argv[2], argv[3]) : selectionOwner(c, argv[2]);
    xcb_disconnect(c);
    return status;
}
