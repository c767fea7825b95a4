// vantrel-e2e-xprobe: answers what the shell tools cannot. "selection-owner NAME" prints the
// window that owns the selection (e.g. _NET_SYSTEM_TRAY_S0) and fails when none does.
#include <xcb/xcb.h>

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

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3 || std::string(argv[1]) != "selection-owner") {
        std::fputs("usage: vantrel-e2e-xprobe selection-owner NAME\n", stderr);
        return 2;
    }
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c) != 0) {
        xcb_disconnect(c);
        return 3;
    }
    const int status = selectionOwner(c, argv[2]);
    xcb_disconnect(c);
    return status;
}
