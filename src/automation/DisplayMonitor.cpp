// Display-change handling: debounce, the count rule and the trigger.
#include "automation/DisplayMonitor.h"

#include <string>

namespace vantrel {

DisplayMonitor::DisplayMonitor(WindowSystem& windowSystem, WindowService& windowService,
                               LayoutCommands& commands, Worker& executor, MainQueue& mainQueue,
                               Log& log)
    : windowSystem_(windowSystem),
      windowService_(windowService),
      commands_(commands),
      executor_(executor),
      mainQueue_(mainQueue),
      log_(log),
      self_(std::make_shared<DisplayMonitor*>(this)) {}

DisplayMonitor::~DisplayMonitor() {
    cancelSubscriptions();
}

void DisplayMonitor::start() {
    if (isWatching()) return;
    DisplayConfiguration configuration{windowService_.currentDisplayConfiguration()};
    const auto count = static_cast<std::int64_t>(configuration.displays.size());
    currentConfiguration.set(std::move(configuration));
    displayCount.set(count);

    std::weak_ptr<DisplayMonitor*> weak = self_;
    cancellables_.push_back(windowSystem_.observeScreenParameters([weak] {
        if (auto self = weak.lock()) (*self)->screenParametersChanged();
    }));
    // Ending the watch also drops a change still waiting out its debounce.
    cancellables_.emplace_back([weak] {
        if (auto self = weak.lock()) (*self)->debounce_.reset();
    });
}

void DisplayMonitor::screenParametersChanged() {
    std::weak_ptr<DisplayMonitor*> weak = self_;
    debounce_ = TimerHandle(mainQueue_, mainQueue_.postAfter(kDebounce, [weak] {
        auto self = weak.lock();
        if (!self) return;
        // The timer has fired; the handle no longer stands for a waiting change.
        (*self)->debounce_ = TimerHandle();
        (*self)->handleDisplayChange();
    }));
}

void DisplayMonitor::handleDisplayChange() {
    // Read on the executor: the main thread never waits for the desktop.
    executor_.run([service = &windowService_, queue = &mainQueue_,
                   weak = std::weak_ptr<DisplayMonitor*>(self_)] {
        DisplayConfiguration configuration{service->currentDisplayConfiguration()};
        queue->post([weak, configuration = std::move(configuration)] {
            if (auto self = weak.lock()) (*self)->displaysChanged(configuration);
        });
    });
}

void DisplayMonitor::displaysChanged(const DisplayConfiguration& configuration) {
    const auto count = static_cast<std::int64_t>(configuration.displays.size());
    const auto oldCount = displayCount.get();
    currentConfiguration.set(configuration);
    displayCount.set(count);

    if (count == oldCount) {
        log_.line("DisplayMonitor: Display arrangement changed");
        return;
    }
    log_.line(std::string("DisplayMonitor: Monitor ") +
              (count > oldCount ? "connected" : "disconnected") + " (now " + std::to_string(count) +
              " displays)");
    triggerLayouts(configuration);
}

void DisplayMonitor::triggerLayouts(const DisplayConfiguration& configuration) {
    const auto matching = commands_.list().layoutsMatching(configuration);
    if (matching.empty()) return;
    log_.line("DisplayMonitor: Found " + std::to_string(matching.size()) + " layouts to trigger");
    commands_.restore(matching.front(), RestoreOptions::from(RestoreOrigin::background));
}

}  // namespace vantrel
