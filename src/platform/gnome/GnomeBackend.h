// The GNOME backend as the composition root chooses it: GNOME Shell's Wayland session.
#pragma once

#include "platform/api/Backend.h"

namespace vantrel::gnome {

// What the user does when the extension is not running; the refusal's sentence.
inline constexpr const char* kEnableExtension =
    "enable the Vantrel extension: gnome-extensions enable vantrel@vantrel.app, then log out and "
    "back in (GNOME on Wayland loads newly installed extensions at the next log-in)";

// Serves GNOME Wayland sessions where Vantrel's GNOME Shell extension runs.
BackendEntry backendEntry();

}  // namespace vantrel::gnome
