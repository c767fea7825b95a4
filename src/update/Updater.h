// The seam for the update checker: what the update service drives and observes.
#pragma once

#include "base/Published.h"
#include "base/Time.h"

namespace vantrel {

class Updater {
  public:
    virtual ~Updater() = default;
    // Whether checks run on their own, every check interval.
    virtual void setAutomaticallyChecksForUpdates(bool enabled) = 0;
    virtual void setUpdateCheckInterval(Duration interval) = 0;
    // Begins work: automatic checks (when on) are scheduled from here on.
    virtual void startUpdater() = 0;
    // A check the user asked for; ignored while one cannot start.
    virtual void checkForUpdates() = 0;
    // Whether a check the user asks for can start now.
    virtual Published<bool>& canCheckForUpdates() = 0;
};

}  // namespace vantrel
