// The KWin backend as the composition root chooses it: KDE Plasma's Wayland session.
#pragma once

#include "platform/api/Backend.h"

namespace vantrel::kwin {

// Serves Wayland sessions where KWin runs Vantrel's script.
BackendEntry backendEntry();

}  // namespace vantrel::kwin
