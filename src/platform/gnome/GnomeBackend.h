// The GNOME backend as the composition root chooses it: GNOME Shell's Wayland session.
#pragma once

#include "platform/api/Backend.h"

namespace vantrel::gnome {

// What the user does when the extension is not running: logged at start, and what the
// permission banner and the welcome window say on this desktop.
inline constexpr const char* kEnableExtension =
    "enable the Vantrel extension: gnome-extensions enable vantrel@vantrel.app, then log out and "
    "back in (GNOME on Wayland loads newly installed extensions at the next log-in)";

// Serves GNOME Wayland sessions. Without its extension running Vantrel still starts, so that
// the user is told what to do; it arranges windows once the extension appears on the bus.
BackendEntry backendEntry();

}  // namespace vantrel::gnome
