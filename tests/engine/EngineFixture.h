// A window engine over the simulated desktop on virtual time, shared by the engine tests.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "base/Log.h"
#include "base/ManualLoop.h"
#include "base/NotificationCenter.h"
#include "engine/SpaceService.h"
#include "engine/WindowService.h"
#include "platform/sim/SimulatedDesktop.h"

namespace vantrel::testing {

class EngineTest : public ::testing::Test {
  protected:
    ManualLoop loop;
    MemoryLog log;
    NotificationCenter center;
    SimulatedDesktop desktop{loop, loop};
    SpaceService spaces{desktop, loop};
    WindowService service{desktop, spaces, loop, loop, center, log};

    // Grants the permission and lets the flag settle.
    void grant() {
        desktop.setTrusted(true);
        service.start();
        loop.runPending();
        ASSERT_TRUE(service.hasAccessibilityPermission.get());
    }

    SimAppId app(const std::string& bundleID, std::int32_t pid, bool running = true) {
        return desktop.addApplication(SimApp{bundleID, bundleID + " App", pid,
                                             ActivationPolicy::regular, false, std::nullopt},
                                      running);
    }

    SimWindowId window(SimAppId owner, std::optional<std::string> title, Rect frame) {
        SimWindow w;
        w.title = std::move(title);
        w.position = {frame.x, frame.y};
        w.size = {frame.width, frame.height};
        return desktop.addWindow(owner, w);
    }
};

}  // namespace vantrel::testing
