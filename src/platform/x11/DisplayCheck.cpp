// The display check: the variables first, then one connection to the named X server.
#include "platform/x11/DisplayCheck.h"

#include <xcb/xcb.h>

namespace vantrel::x11 {

std::optional<std::string> displayProblem(const char* display) {
    if (display == nullptr || *display == '\0')
        return "DISPLAY is not set. Vantrel needs an X11 display: start it in an X11 session";
    const std::string name = display;
    xcb_connection_t* connection = xcb_connect(display, nullptr);
    const int error = xcb_connection_has_error(connection);
    xcb_disconnect(connection);
    switch (error) {
        case 0:
            return std::nullopt;
        case XCB_CONN_CLOSED_PARSE_ERR:
            return "DISPLAY=" + name + " does not name an X display";
        case XCB_CONN_CLOSED_INVALID_SCREEN:
            return "the X display " + name + " has no such screen";
        default:
            return "cannot connect to the X display " + name +
                   " (no X server runs there, or it refused the connection)";
    }
}

}  // namespace vantrel::x11
