// The whole application core over the simulated desktop and hotkeys, on virtual time.
#pragma once

#include <memory>
#include <vector>

#include "automation/AutomationFixture.h"
#include "base/Log.h"
#include "base/ManualLoop.h"
#include "base/Worker.h"
#include "core/AppDelegate.h"
#include "engine/DesktopAdapter.h"
#include "model/LayoutStorage.h"
#include "model/LoginItem.h"
#include "model/UserDefaults.h"
#include "platform/sim/SimulatedDesktop.h"
#include "platform/sim/SimulatedHotkeys.h"

namespace vantrel::testing {

class AppHarness {
  public:
    ManualLoop loop;
    MemoryLog log;
    SimulatedDesktop desktop{loop, loop};
    DesktopAdapter seam{desktop};
    SimulatedHotkeys hotkeys;
    InMemoryUserDefaults defaults;
    RecordingLoginItem loginItem;
    InlineWorker inlineWorker;
    TempDir dir;
    // The hotkey facility the delegate gets; the simulated one when none is set.
    HotkeySystem* hotkeySystem = nullptr;
    // Declared last: the delegate goes before everything it was given.
    std::unique_ptr<AppDelegate> app;

    // Writes the layout file the application will find at start.
    void writeLayoutFile(const std::vector<WindowLayout>& layouts) {
        MemoryLog quiet;
        (void)LayoutStorage(quiet, loop, dir.path()).save(layouts);
    }

    // Creates the delegate and runs its creation steps, as the process does before launch ends.
    AppDelegate& create(Worker* worker = nullptr) {
        HotkeySystem& facility = hotkeySystem != nullptr ? *hotkeySystem : hotkeys;
        app = std::make_unique<AppDelegate>(AppPlatform{seam, facility, defaults, loginItem, loop,
                                                        loop, worker ? *worker : inlineWorker, log,
                                                        dir.path()});
        app->start();
        return *app;
    }

    // Creation, then launch finished.
    AppDelegate& launch(LaunchHooks hooks = {}) {
        create();
        app->setLaunchHooks(std::move(hooks));
        app->applicationDidFinishLaunching();
        return *app;
    }

    Rect frameOf(SimWindowId id) const {
        const auto w = desktop.window(id);
        return Rect{w.position.x, w.position.y, w.size.width, w.size.height};
    }
};

}  // namespace vantrel::testing
