// Construction, start and the preference's switch.
#include "update/UpdateService.h"

namespace vantrel {

UpdateService::UpdateService(Updater& updater, PreferencesStore& preferences)
    : updater_(updater), preferences_(preferences) {
    auto& updaterFlag = updater_.canCheckForUpdates();
    canCheckObservation_ =
        updaterFlag.onDidChange([this](const bool& value) { canCheckForUpdates.set(value); });
    canCheckForUpdates.set(updaterFlag.get());
    preferences_.setAutomaticUpdateSwitch(
        [this](bool enabled) { updater_.setAutomaticallyChecksForUpdates(enabled); });
}

UpdateService::~UpdateService() {
    // The store outlives the service; its writes must not reach a dead updater.
    preferences_.setAutomaticUpdateSwitch({});
}

void UpdateService::start() {
    if (started_) return;
    started_ = true;
    updater_.setAutomaticallyChecksForUpdates(preferences_.checkForUpdates());
    updater_.setUpdateCheckInterval(kUpdateCheckInterval);
    updater_.startUpdater();
}

}  // namespace vantrel
