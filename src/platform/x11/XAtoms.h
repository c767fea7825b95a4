// The atoms the X11 backend uses, interned together in one round trip.
#pragma once

#include <xcb/xcb.h>

namespace vantrel::x11 {

// One atom per line keeps additions reviewable.
// clang-format off
#define VANTREL_X11_ATOMS(X) \
    X(UTF8_STRING) \
    X(WM_CLASS) \
    X(WM_NAME) \
    X(WM_PROTOCOLS) \
    X(WM_DELETE_WINDOW) \
    X(WM_TRANSIENT_FOR) \
    X(WM_CHANGE_STATE) \
    X(EDID) \
    X(_NET_SUPPORTED) \
    X(_NET_SUPPORTING_WM_CHECK) \
    X(_NET_CLIENT_LIST) \
    X(_NET_CLIENT_LIST_STACKING) \
    X(_NET_ACTIVE_WINDOW) \
    X(_NET_CURRENT_DESKTOP) \
    X(_NET_NUMBER_OF_DESKTOPS) \
    X(_NET_DESKTOP_NAMES) \
    X(_NET_WORKAREA) \
    X(_NET_WM_NAME) \
    X(_NET_WM_PID) \
    X(_NET_WM_WINDOW_TYPE) \
    X(_NET_WM_WINDOW_TYPE_NORMAL) \
    X(_NET_WM_WINDOW_TYPE_DIALOG) \
    X(_NET_WM_WINDOW_TYPE_DOCK) \
    X(_NET_WM_WINDOW_TYPE_DESKTOP) \
    X(_NET_WM_WINDOW_TYPE_TOOLBAR) \
    X(_NET_WM_WINDOW_TYPE_MENU) \
    X(_NET_WM_WINDOW_TYPE_UTILITY) \
    X(_NET_WM_WINDOW_TYPE_SPLASH) \
    X(_NET_WM_WINDOW_TYPE_NOTIFICATION) \
    X(_NET_WM_STATE) \
    X(_NET_WM_STATE_HIDDEN) \
    X(_NET_WM_STATE_SHADED) \
    X(_NET_WM_STATE_FULLSCREEN) \
    X(_NET_WM_STATE_MAXIMIZED_VERT) \
    X(_NET_WM_STATE_MAXIMIZED_HORZ) \
    X(_NET_WM_STATE_SKIP_TASKBAR) \
    X(_NET_WM_STATE_STICKY) \
    X(_NET_WM_STATE_ABOVE) \
    X(_NET_WM_STATE_BELOW) \
    X(_NET_FRAME_EXTENTS) \
    X(_GTK_FRAME_EXTENTS) \
    X(_NET_WM_DESKTOP) \
    X(_GTK_APPLICATION_ID) \
    X(_NET_WM_STRUT_PARTIAL) \
    X(_NET_WM_STRUT) \
    X(_NET_MOVERESIZE_WINDOW) \
    X(_NET_CLOSE_WINDOW) \
    X(_NET_REQUEST_FRAME_EXTENTS) \
    X(_NET_WM_ALLOWED_ACTIONS) \
    X(_NET_WM_ACTION_MOVE) \
    X(_NET_WM_ACTION_RESIZE)
// clang-format on

struct Atoms {
#define VANTREL_X11_ATOM_FIELD(name) xcb_atom_t name = XCB_ATOM_NONE;
    VANTREL_X11_ATOMS(VANTREL_X11_ATOM_FIELD)
#undef VANTREL_X11_ATOM_FIELD
};

// Interns every atom; false when the connection failed meanwhile.
bool internAtoms(xcb_connection_t* connection, Atoms& atoms);

}  // namespace vantrel::x11
