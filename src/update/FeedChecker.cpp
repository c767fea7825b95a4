// Scheduling, running and reporting update checks.
#include "update/FeedChecker.h"

#include <algorithm>

namespace vantrel {

FeedChecker::FeedChecker(FeedReader& reader, UpdatePresenter& presenter, MainQueue& mainQueue,
                         Clock& clock, Log& log, Config config)
    : reader_(reader),
      presenter_(presenter),
      mainQueue_(mainQueue),
      clock_(clock),
      log_(log),
      config_(std::move(config)),
      self_(std::make_shared<FeedChecker*>(this)) {}

FeedChecker::~FeedChecker() {
    self_.reset();
}

void FeedChecker::setAutomaticallyChecksForUpdates(bool enabled) {
    automatic_ = enabled;
    reschedule();
}

void FeedChecker::setUpdateCheckInterval(Duration interval) {
    // A zero or negative interval would check without pause.
    interval_ = std::max<Duration>(interval, std::chrono::minutes{1});
    reschedule();
}

void FeedChecker::startUpdater() {
    if (started_) return;
    started_ = true;
    canCheck_.set(true);
    reschedule();
}

void FeedChecker::checkForUpdates() {
    if (!started_ || checking_) return;
    runCheck(Kind::manual);
}

void FeedChecker::reschedule() {
    timer_.reset();
    if (!started_ || !automatic_ || checking_) return;
    const Duration soonest = config_.firstCheckDelay;
    Duration delay = soonest;
    if (lastCheck_) delay = std::max(soonest, *lastCheck_ + interval_ - clock_.now());
    const TimerId id = mainQueue_.postAfter(delay, [weak = std::weak_ptr(self_)] {
        if (auto self = weak.lock()) (*self)->runCheck(Kind::automatic);
    });
    timer_ = TimerHandle(mainQueue_, id);
}

void FeedChecker::runCheck(Kind kind) {
    timer_ = TimerHandle();
    if (checking_) return;
    checking_ = true;
    canCheck_.set(false);
    reader_.read(config_.feedUrl, [weak = std::weak_ptr(self_), kind](auto items) {
        if (auto self = weak.lock()) (*self)->finish(kind, items);
    });
}

void FeedChecker::finish(Kind kind, const Result<std::vector<AppcastItem>>& items) {
    checking_ = false;
    lastCheck_ = clock_.now();
    canCheck_.set(true);
    reschedule();

    const bool manual = kind == Kind::manual;
    std::optional<std::string> failure;
    if (!items) {
        failure = items.error().message;
    } else if (!hasComparableItem(*items)) {
        failure = "The update feed lists no version.";
    }
    if (failure) {
        log_.line("UpdateService: Update check failed: " + *failure);
        if (manual) presenter_.showCheckFailed(*failure);
        return;
    }
    if (const auto newest = newestItemAfter(*items, config_.currentVersion)) {
        log_.line("UpdateService: Update available: " + newest->shortVersionString);
        if (manual || newest->version != lastAnnouncedVersion_) {
            lastAnnouncedVersion_ = newest->version;
            presenter_.showUpdateAvailable(*newest);
        }
        return;
    }
    if (manual) presenter_.showUpToDate(config_.currentVersion);
}

}  // namespace vantrel
