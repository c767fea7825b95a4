// Keeps the updater's automatic checks equal to the user's preference and mirrors its can-check
// flag for the preferences window.
#pragma once

#include "base/Published.h"
#include "base/Subscription.h"
#include "base/Time.h"
#include "model/PreferencesStore.h"
#include "update/Updater.h"

namespace vantrel {

class UpdateService {
  public:
    // Four hours between automatic checks.
    static constexpr Duration kUpdateCheckInterval = std::chrono::seconds{14400};

    // Observes the updater's can-check flag (its current value at once) and takes over the
    // preference's automatic-check switch. Both must outlive the service.
    UpdateService(Updater& updater, PreferencesStore& preferences);
    UpdateService(const UpdateService&) = delete;
    UpdateService& operator=(const UpdateService&) = delete;
    ~UpdateService();

    // Applies the automatic-check preference and the interval, then starts the updater. Once.
    void start();
    // "Check for Updates Now".
    void checkForUpdatesNow() { updater_.checkForUpdates(); }

    // False until the updater reports, then whatever it reports.
    Published<bool> canCheckForUpdates{false};

  private:
    Updater& updater_;
    PreferencesStore& preferences_;
    Subscription canCheckObservation_;
    bool started_ = false;
};

}  // namespace vantrel
