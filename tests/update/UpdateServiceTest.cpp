// The service over a recording updater: the preference, the interval and the can-check flag.
#include <gtest/gtest.h>

#include <optional>

#include "UpdateFakes.h"
#include "base/Log.h"
#include "base/NotificationCenter.h"
#include "model/PreferencesStore.h"
#include "model/UserDefaults.h"
#include "update/UpdateService.h"

namespace vantrel {
namespace {

using testing::RecordingUpdater;

class UpdateServiceTest : public ::testing::Test {
  protected:
    InMemoryUserDefaults defaults;
    RecordingLoginItem loginItem;
    NotificationCenter notifications;
    MemoryLog log;
    std::optional<PreferencesStore> preferences;

    PreferencesStore& makePreferences() {
        return preferences.emplace(defaults, loginItem, notifications, log);
    }
};

TEST_F(UpdateServiceTest, StoredFalseKeepsAutomaticChecksOffUntilThePreferenceTurnsThemOn) {
    defaults.setBool("checkForUpdates", false);
    RecordingUpdater updater(true);
    auto& prefs = makePreferences();
    {
        UpdateService service(updater, prefs);
        service.start();
        service.start();
        service.checkForUpdatesNow();  // the manual check is still offered
        prefs.setCheckForUpdates(true);
        EXPECT_EQ(updater.calls, (std::vector<std::string>{"automatic off", "interval 14400",
                                                           "start", "check", "automatic on"}));
    }
    // Once the service is gone, the preference no longer reaches its updater.
    updater.calls.clear();
    prefs.setCheckForUpdates(false);
    EXPECT_TRUE(updater.calls.empty());
}

TEST_F(UpdateServiceTest, CanCheckTakesTheUpdatersValueAtOnceThenFollowsIt) {
    RecordingUpdater updater(true);
    UpdateService service(updater, makePreferences());
    EXPECT_TRUE(service.canCheckForUpdates.get());  // before start: what the updater says first
    std::vector<bool> seen;
    auto watch =
        service.canCheckForUpdates.onWillChange([&](bool value) { seen.push_back(value); });
    updater.can.set(false);
    updater.can.set(true);
    EXPECT_EQ(seen, (std::vector<bool>{false, true}));
}

}  // namespace
}  // namespace vantrel
