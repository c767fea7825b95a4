// The contract's X11 desktop: a private Xvfb + openbox, test-client windows, xwininfo and xprop
// as the independent readers.
#include <cmath>
#include <vector>

#include "DesktopHarness.h"
#include "XSession.h"
#include "base/Log.h"
#include "base/ManualLoop.h"
#include "platform/x11/X11Desktop.h"

namespace vantrel::testing {
namespace {

class X11Harness final : public DesktopHarness {
  public:
    X11Harness() {
        session_ = XSession::start("", error_);
        if (!session_) return;
        if (const Status connected = desktop_.connect(); !connected)
            error_ = connected.error().message;
    }

    native::NativeDesktop& desktop() override { return desktop_; }
    native::WindowId idOf(WindowHandle handle) override { return windows_.at(handle).window; }

    WindowHandle open(const std::string& app, const std::string& title, Rect frame) override {
        // Openbox puts the frame's corner where the client asks; the client area is the frame
        // less the decorations, which are known only once the window is managed.
        const auto text = [](double v) { return std::to_string(std::lround(v)); };
        const std::string geometry = text(frame.width) + "x" + text(frame.height) + "+" +
                                     text(frame.x) + "+" + text(frame.y);
        auto window =
            session_->openWindow({"--class", app, "--title", title, "--geometry", geometry});
        if (!window) return windows_.size();  // out of range: the test fails on first use
        const xcb_window_t id = window->window;
        windows_.push_back(std::move(*window));
        eventually([&] { return desktop_.snapshot()->window(id) != nullptr; });
        // Size the outer frame as asked through the desktop itself, not through the seam.
        const ToolGeometry g = session_->geometry(id);
        const int width = static_cast<int>(std::lround(frame.width)) - g.left - g.right;
        const int height = static_cast<int>(std::lround(frame.height)) - g.top - g.bottom;
        XSession::run("xdotool windowsize " + XSession::hex(id) + " " + std::to_string(width) +
                      " " + std::to_string(height));
        eventually([&] { return session_->geometry(id).frameWidth() == frame.width; });
        return windows_.size() - 1;
    }
    Rect trueFrame(WindowHandle handle) override {
        const ToolGeometry g = session_->geometry(windows_.at(handle).window);
        return Rect{static_cast<double>(g.frameX()), static_cast<double>(g.frameY()),
                    static_cast<double>(g.frameWidth()), static_cast<double>(g.frameHeight())};
    }
    bool trulyMinimized(WindowHandle handle) override {
        return session_->states(windows_.at(handle).window).find("_NET_WM_STATE_HIDDEN") !=
               std::string::npos;
    }
    bool settle(const std::function<bool()>& condition) override {
        return eventually([&] {
            desktop_.processEvents();
            loop_.runPending();
            return condition();
        });
    }

  private:
    std::unique_ptr<XSession> session_;
    MemoryLog log_;
    ManualLoop loop_;
    SystemClock clock_;
    X11Desktop desktop_{log_, loop_, clock_};
    std::vector<TestWindow> windows_;
};

}  // namespace

std::unique_ptr<DesktopHarness> makeHarness() {
    return std::make_unique<X11Harness>();
}

}  // namespace vantrel::testing
