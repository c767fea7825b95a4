// The updater over the update feed: scheduled and requested checks, and what the user is told.
// It only reads the feed; it never downloads or runs anything.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "base/Clock.h"
#include "base/Log.h"
#include "base/MainQueue.h"
#include "update/FeedReader.h"
#include "update/UpdatePresenter.h"
#include "update/Updater.h"

namespace vantrel {

class FeedChecker final : public Updater {
  public:
    // The first automatic check waits a little, so it does not compete with start-up.
    static constexpr Duration kFirstCheckDelay = std::chrono::seconds{30};

    struct Config {
        std::string feedUrl;
        // The running program's version, compared with the feed's.
        std::string currentVersion;
        Duration firstCheckDelay = kFirstCheckDelay;
    };

    // Touches nothing until started. Everything given outlives the checker.
    FeedChecker(FeedReader& reader, UpdatePresenter& presenter, MainQueue& mainQueue, Clock& clock,
                Log& log, Config config);
    FeedChecker(const FeedChecker&) = delete;
    FeedChecker& operator=(const FeedChecker&) = delete;
    ~FeedChecker() override;

    void setAutomaticallyChecksForUpdates(bool enabled) override;
    void setUpdateCheckInterval(Duration interval) override;
    void startUpdater() override;
    void checkForUpdates() override;
    Published<bool>& canCheckForUpdates() override { return canCheck_; }

    bool automaticallyChecksForUpdates() const { return automatic_; }
    Duration updateCheckInterval() const { return interval_; }
    // Whether an automatic check is scheduled.
    bool hasScheduledCheck() const { return timer_.active(); }

  private:
    enum class Kind { automatic, manual };
    void runCheck(Kind kind);
    void finish(Kind kind, const Result<std::vector<AppcastItem>>& items);
    // Schedules the next automatic check one interval after the last check (the first one
    // shortly after start), or cancels it when automatic checks are off.
    void reschedule();

    FeedReader& reader_;
    UpdatePresenter& presenter_;
    MainQueue& mainQueue_;
    Clock& clock_;
    Log& log_;
    Config config_;

    Published<bool> canCheck_{false};
    bool automatic_ = false;
    Duration interval_ = std::chrono::hours{4};
    bool started_ = false;
    bool checking_ = false;
    std::optional<TimePoint> lastCheck_;
    // An automatic check announces each later version once per run; a manual one always does.
    std::string lastAnnouncedVersion_;
    TimerHandle timer_;
    // Lets late reader completions and timers see that the checker is gone.
    std::shared_ptr<FeedChecker*> self_;
};

}  // namespace vantrel
