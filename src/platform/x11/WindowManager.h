// The running window manager: what it supports, and every way one departs from EWMH, in one place.
#pragma once

#include <xcb/xcb.h>

#include <string>
#include <string_view>
#include <vector>

#include "platform/x11/XAtoms.h"

namespace vantrel::x11 {

struct WindowManager {
    // The name its check window gives (_NET_WM_NAME); empty when none runs.
    std::string name;
    // It lists _NET_MOVERESIZE_WINDOW in _NET_SUPPORTED. awesome does not, and ignores the
    // message: windows are then moved with a ConfigureRequest of our own, as any client may.
    bool movesOnMessage = true;
    // i3 tiles: it keeps tiled windows where its layout puts them (it answers a move with a
    // synthetic ConfigureNotify of the old place) and moves only floating windows. It also
    // keeps its bar out of the client list and publishes no work area (unlistedDockStruts).
    bool tiles = false;
};

// What the manager named `name` does, given the atoms it lists in _NET_SUPPORTED.
WindowManager describeWindowManager(std::string name, const std::vector<xcb_atom_t>& supported,
                                    const Atoms& atoms);
// Reads the running manager's name and _NET_SUPPORTED in one round trip.
WindowManager readWindowManager(xcb_connection_t* connection, xcb_window_t root,
                                const Atoms& atoms);

// The struts of dock windows that are not in the client list (a tiling manager's docks, as
// i3's bar): each as 12 or 4 values, as _NET_WM_STRUT_PARTIAL or _NET_WM_STRUT has them.
std::vector<std::vector<double>> unlistedDockStruts(xcb_connection_t* connection, xcb_window_t root,
                                                    const Atoms& atoms);

}  // namespace vantrel::x11
