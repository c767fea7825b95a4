// Watches the connected displays and restores the layout bound to a newly plugged set of them.
#pragma once

#include <cstdint>
#include <memory>

#include "automation/LayoutCommands.h"
#include "base/Log.h"
#include "base/MainQueue.h"
#include "base/Published.h"
#include "base/Subscription.h"
#include "base/Worker.h"
#include "engine/WindowService.h"
#include "engine/WindowSystem.h"
#include "model/WindowLayout.h"

namespace vantrel {

class DisplayMonitor {
  public:
    // Screen changes closer together than this are one change.
    static constexpr Duration kDebounce = 500ms;

    DisplayMonitor(WindowSystem& windowSystem, WindowService& windowService,
                   LayoutCommands& commands, Worker& executor, MainQueue& mainQueue, Log& log);
    DisplayMonitor(const DisplayMonitor&) = delete;
    DisplayMonitor& operator=(const DisplayMonitor&) = delete;
    ~DisplayMonitor();

    // Reads the current displays and starts watching changes; triggers nothing. Main thread.
    void start();
    // Drops the subscriptions (and a debounced change still waiting): nothing reacts any more.
    void cancelSubscriptions() { cancellables_.clear(); }
    bool isWatching() const { return !cancellables_.empty(); }

    // One debounced change: read the displays on the executor, then publish them and, when their
    // number changed, trigger.
    void handleDisplayChange();
    // Restores the first layout bound to exactly this configuration.
    void triggerLayouts(const DisplayConfiguration& configuration);

    Published<DisplayConfiguration> currentConfiguration;
    Published<std::int64_t> displayCount{0};

  private:
    void screenParametersChanged();
    void displaysChanged(const DisplayConfiguration& configuration);

    WindowSystem& windowSystem_;
    WindowService& windowService_;
    LayoutCommands& commands_;
    Worker& executor_;
    MainQueue& mainQueue_;
    Log& log_;
    TimerHandle debounce_;
    Subscriptions cancellables_;
    // Lets a queued debounce see that the monitor is gone.
    std::shared_ptr<DisplayMonitor*> self_;
};

}  // namespace vantrel
