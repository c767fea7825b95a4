// The fixture of the X11 tests: one private X session per suite, a fresh backend per test.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "XSession.h"
#include "base/Clock.h"
#include "base/Log.h"
#include "base/ManualLoop.h"
#include "engine/DesktopAdapter.h"
#include "engine/SpaceService.h"
#include "engine/WindowService.h"
#include "platform/freedesktop/GioLauncher.h"
#include "platform/x11/X11Desktop.h"

namespace vantrel::testing {

// Real time, with something to do once at the start of the next pause.
class PauseClock final : public Clock {
  public:
    TimePoint now() const override { return real_.now(); }
    Date wallNow() const override { return real_.wallNow(); }
    void sleepFor(Duration duration) override {
        if (auto act = std::exchange(onPause, {})) act();
        real_.sleepFor(duration);
    }
    std::function<void()> onPause;

  private:
    SystemClock real_;
};

class X11Test : public ::testing::Test {
  protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite();
    void SetUp() override;
    void TearDown() override;

    // Opens a test client window and waits until the backend lists it.
    xcb_window_t open(const std::vector<std::string>& args);
    TestWindow& client(xcb_window_t window);
    // The window's element, found through the application that lists it.
    Element element(xcb_window_t window) { return desktop_->elementForWindow(window); }
    std::optional<RunningApplication> applicationOf(xcb_window_t window) {
        return desktop_->applicationOfWindow(window);
    }
    // Reads events and runs what they posted until `condition` holds or time runs out.
    template <typename Condition>
    bool pumpUntil(Condition condition) {
        return eventually([&] {
            x11_->processEvents();
            loop_.runPending();
            return condition();
        });
    }

    static std::unique_ptr<XSession> session_;
    static std::string startError_;
    MemoryLog log_;
    ManualLoop loop_;
    PauseClock clock_;
    freedesktop::GioLauncher launcher_;
    std::unique_ptr<X11Desktop> x11_;
    // The engine's view of it.
    std::unique_ptr<DesktopAdapter> desktop_;
    std::vector<TestWindow> windows_;
};

// The engine over the backend, permission granted.
class X11DesktopTest : public X11Test {
  protected:
    void SetUp() override {
        X11Test::SetUp();
        if (HasFatalFailure()) return;
        spaces_ = std::make_unique<SpaceService>(*desktop_, loop_);
        service_ = std::make_unique<WindowService>(*desktop_, *spaces_, loop_, clock_, log_);
        service_->checkAccessibilityPermission();
        loop_.runPending();
    }

    std::unique_ptr<SpaceService> spaces_;
    std::unique_ptr<WindowService> service_;
};

}  // namespace vantrel::testing
