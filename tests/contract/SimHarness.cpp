// The contract's simulated desktop: windows are exactly what the test adds.
#include <map>
#include <vector>

#include "DesktopHarness.h"
#include "base/ManualLoop.h"
#include "platform/sim/SimulatedDesktop.h"

namespace vantrel::testing {
namespace {

class SimHarness final : public DesktopHarness {
  public:
    SimHarness() {
        desktop_.setTrusted(true);
        desktop_.setScreens("2560x1440+0+0P,1920x1080+2560+0");
    }
    native::NativeDesktop& desktop() override { return desktop_; }

    WindowHandle open(const std::string& app, const std::string& title, Rect frame) override {
        auto [it, added] = apps_.try_emplace(app, 0);
        if (added)
            it->second = desktop_.addApplication(
                SimApp{app, app, nextPid_++, native::AppRole::regular, false, true});
        SimWindow window;
        window.title = title;
        window.position = {frame.x, frame.y};
        window.size = {frame.width, frame.height};
        windows_.push_back(desktop_.addWindow(it->second, window));
        return windows_.size() - 1;
    }
    native::WindowId idOf(WindowHandle handle) override { return windows_.at(handle); }
    Rect trueFrame(WindowHandle handle) override {
        const SimWindow w = desktop_.window(windows_.at(handle));
        return Rect{w.position.x, w.position.y, w.size.width, w.size.height};
    }
    bool trulyMinimized(WindowHandle handle) override {
        return desktop_.window(windows_.at(handle)).minimized;
    }
    bool settle(const std::function<bool()>& condition) override {
        loop_.runPending();
        return condition();
    }

  private:
    ManualLoop loop_;
    SimulatedDesktop desktop_{loop_, loop_};
    std::map<std::string, SimAppId> apps_;
    std::vector<SimWindowId> windows_;
    std::int32_t nextPid_ = 501;
};

}  // namespace

std::unique_ptr<DesktopHarness> makeHarness() {
    return std::make_unique<SimHarness>();
}

}  // namespace vantrel::testing
