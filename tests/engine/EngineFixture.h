// A window engine over the simulated desktop, through the engine's adapter, on virtual time;
// shared by the engine, automation and app tests.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "base/Log.h"
#include "base/ManualLoop.h"
#include "base/NotificationCenter.h"
#include "engine/DesktopAdapter.h"
#include "engine/SpaceService.h"
#include "engine/WindowService.h"
#include "platform/sim/SimulatedDesktop.h"

namespace vantrel::testing {

// The displays of a screen geometry text such as "1920x1080+0+0P,1280x1024+1920+0".
inline DisplayConfiguration displays(const std::string& geometry) {
    return DisplayConfiguration{displayInfos(adapter::screenList(*parseScreenGeometry(geometry)))};
}

class EngineTest : public ::testing::Test {
  protected:
    ManualLoop loop;
    MemoryLog log;
    NotificationCenter center;
    SimulatedDesktop desktop{loop, loop};
    DesktopAdapter seam{desktop};
    SpaceService spaces{seam, loop};
    WindowService service{seam, spaces, loop, loop, log};

    // Grants the permission and lets the flag settle.
    void grant() {
        desktop.setTrusted(true);
        service.start();
        loop.runPending();
        ASSERT_TRUE(service.hasAccessibilityPermission.get());
    }

    // A regular, installed application named "<id> App".
    SimAppId app(const std::string& id, std::int32_t pid, bool running = true) {
        return desktop.addApplication(
            SimApp{id, id + " App", pid, native::AppRole::regular, false, true}, running);
    }

    SimWindowId window(SimAppId owner, std::optional<std::string> title, Rect frame) {
        SimWindow w;
        w.title = std::move(title);
        w.position = {frame.x, frame.y};
        w.size = {frame.width, frame.height};
        return desktop.addWindow(owner, w);
    }

    Rect frameOf(SimWindowId id) const {
        const auto w = desktop.window(id);
        return Rect{w.position.x, w.position.y, w.size.width, w.size.height};
    }
};

// One window of `bundleID` at index `index` with this frame, on display 1.
inline WindowState windowState(const std::string& bundleID, std::int64_t index, Rect frame) {
    WindowState state;
    state.appBundleID = bundleID;
    state.appName = bundleID;
    state.windowIndex = index;
    state.frameX = frame.x;
    state.frameY = frame.y;
    state.frameWidth = frame.width;
    state.frameHeight = frame.height;
    state.displayID = 1;
    return state;
}

}  // namespace vantrel::testing
