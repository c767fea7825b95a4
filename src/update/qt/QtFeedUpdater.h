// The updater the program runs: the feed checker over the network reader.
#pragma once

#include "update/FeedChecker.h"
#include "update/qt/QtFeedReader.h"

namespace vantrel {

class QtFeedUpdater {
  public:
    QtFeedUpdater(UpdatePresenter& presenter, MainQueue& mainQueue, Clock& clock, Log& log,
                  FeedChecker::Config config)
        : checker_(reader_, presenter, mainQueue, clock, log, std::move(config)) {}

    Updater& updater() { return checker_; }

  private:
    QtFeedReader reader_;
    FeedChecker checker_;
};

}  // namespace vantrel
