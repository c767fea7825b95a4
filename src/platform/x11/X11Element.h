// The element handles of the X11 desktop: an application by its id, or one of its windows.
#pragma once

#include <string>

#include "platform/x11/X11Desktop.h"

namespace vantrel {

class X11Desktop::X11Element final : public ElementData {
  public:
    X11Element(const X11Desktop* desktop, std::string app, xcb_window_t w)
        : owner(desktop), appId(std::move(app)), window(w) {}
    const X11Desktop* owner;
    std::string appId;    // the application, for both kinds
    xcb_window_t window;  // XCB_WINDOW_NONE for application elements
};

}  // namespace vantrel
