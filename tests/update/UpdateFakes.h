// Doubles for the update seams: a scripted feed, a recording presenter, a recording updater.
#pragma once

#include <chrono>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "update/FeedReader.h"
#include "update/UpdatePresenter.h"
#include "update/Updater.h"

namespace vantrel::testing {

// Holds each read until the test answers it.
class ScriptedFeed final : public FeedReader {
  public:
    void read(const std::string& url, Completion done) override {
        urls.push_back(url);
        pending.push_back(std::move(done));
    }
    void answer(Result<std::vector<AppcastItem>> result) {
        auto done = std::move(pending.front());
        pending.pop_front();
        done(std::move(result));
    }
    std::vector<std::string> urls;
    std::deque<Completion> pending;
};

class RecordingPresenter final : public UpdatePresenter {
  public:
    void showUpdateAvailable(const AppcastItem& item) override {
        shown.push_back("available " + item.shortVersionString);
        offered.push_back(item);
    }
    void showUpToDate(const std::string& currentVersion) override {
        shown.push_back("up to date " + currentVersion);
    }
    void showCheckFailed(const std::string& reason) override {
        shown.push_back("failed " + reason);
    }
    std::vector<std::string> shown;
    std::vector<AppcastItem> offered;
};

// Records what the service asks of the updater.
class RecordingUpdater final : public Updater {
  public:
    explicit RecordingUpdater(bool canCheck) : can(canCheck) {}
    void setAutomaticallyChecksForUpdates(bool enabled) override {
        calls.push_back(std::string("automatic ") + (enabled ? "on" : "off"));
    }
    void setUpdateCheckInterval(Duration interval) override {
        calls.push_back(
            "interval " +
            std::to_string(std::chrono::duration_cast<std::chrono::seconds>(interval).count()));
    }
    void startUpdater() override { calls.push_back("start"); }
    void checkForUpdates() override { calls.push_back("check"); }
    Published<bool>& canCheckForUpdates() override { return can; }
    Published<bool> can;
    std::vector<std::string> calls;
};

inline AppcastItem release(std::string version, std::string shortVersion = {}) {
    AppcastItem item;
    item.version = std::move(version);
    item.shortVersionString = shortVersion.empty() ? item.version : std::move(shortVersion);
    item.releaseNotesLink = "https://vantrel.app/notes/" + item.version;
    item.downloadPage = "https://vantrel.app/download";
    return item;
}

}  // namespace vantrel::testing
