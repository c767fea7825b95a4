// One Xvfb + openbox session for the suite, with a desktop entry in its private data folder.
#include "X11Fixture.h"

#include <algorithm>
#include <fstream>
#include <stdexcept>

namespace vantrel::testing {

std::unique_ptr<XSession> X11Test::session_;
std::string X11Test::startError_;

void X11Test::SetUpTestSuite() {
    if (session_) return;
    session_ = XSession::start("", startError_);
    if (!session_) return;
    // An installed application whose windows are named by StartupWMClass.
    std::ofstream(session_->dataDir() + "/applications/vantrel-test-delta.desktop")
        << "[Desktop Entry]\nType=Application\nName=Delta Test\n"
        << "Exec=" << VANTREL_X11_TESTCLIENT
        << " --instance delta --class DeltaWM --title \"Delta launched\" --geometry "
           "320x240+60+80\n"
        << "StartupWMClass=DeltaWM\n";
}

void X11Test::TearDownTestSuite() {
    session_.reset();
}

void X11Test::SetUp() {
    ASSERT_NE(session_, nullptr) << startError_;
    X11Options options;
    options.launcher = &launcher_;
    x11_ = std::make_unique<X11Desktop>(log_, loop_, clock_, options);
    desktop_ = std::make_unique<DesktopAdapter>(*x11_);
    const Status connected = x11_->connect();
    ASSERT_TRUE(connected.ok()) << connected.error().message;
}

void X11Test::TearDown() {
    windows_.clear();
    if (desktop_) {
        // The next test starts from an empty desktop.
        EXPECT_TRUE(eventually([&] {
            const auto apps = desktop_->runningApplications();
            return std::none_of(apps.begin(), apps.end(), [](const RunningApplication& app) {
                return app.activationPolicy == ActivationPolicy::regular;
            });
        }));
    }
}

xcb_window_t X11Test::open(const std::vector<std::string>& args) {
    auto window = session_->openWindow(args);
    if (!window) {
        ADD_FAILURE() << "the test client did not start";
        return XCB_WINDOW_NONE;
    }
    const xcb_window_t id = window->window;
    windows_.push_back(std::move(*window));
    EXPECT_TRUE(eventually([&] { return element(id) != nullptr; })) << "window not listed";
    // Some managers list a window before they have framed and placed it; i3 and docks have no
    // frame extents to wait for.
    const bool dock = std::find(args.begin(), args.end(), "--dock-top") != args.end();
    if (XSession::windowManagerName() != "i3" && !dock) {
        EXPECT_TRUE(eventually([&] {
            return XSession::run("xprop -id " + XSession::hex(id) + " _NET_FRAME_EXTENTS")
                       .find(" = ") != std::string::npos;
        })) << "window not framed";
    }
    return id;
}

TestWindow& X11Test::client(xcb_window_t window) {
    for (auto& w : windows_)
        if (w.window == window) return w;
    throw std::logic_error("no such test window");
}

}  // namespace vantrel::testing
