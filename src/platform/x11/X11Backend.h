// The X11 backend as the composition root chooses it: the desktop, the hotkeys and the launcher.
#pragma once

#include "platform/api/Backend.h"

namespace vantrel::x11 {

// Serves X11 sessions, and Wayland sessions through XWayland.
BackendEntry backendEntry();

}  // namespace vantrel::x11
