// What the preferences window and the launch sequence need from the update checker.
#pragma once

#include "base/Published.h"

namespace vantrel {

class UpdateControls {
  public:
    virtual ~UpdateControls() = default;
    // Applies the automatic-check preference and the interval, then starts checking.
    virtual void start() = 0;
    // A check the user asked for now.
    virtual void checkForUpdatesNow() = 0;
    // Whether a manual check can start now; "Check for Updates Now" is disabled while false.
    virtual Published<bool>& canCheckForUpdates() = 0;
};

}  // namespace vantrel
