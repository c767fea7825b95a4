// A private X server (Xvfb) with a window manager (openbox unless told otherwise) for the X11
// tests, and test clients.
#pragma once

#include <xcb/xcb.h>

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "TestProcess.h"

namespace vantrel::testing {

// One window of the test client, with the process that owns it.
struct TestWindow {
    TestProcess process;
    xcb_window_t window = XCB_WINDOW_NONE;
};

// Geometry as independent tools report it: xwininfo for the client area, xprop for the frame.
struct ToolGeometry {
    int clientX = 0, clientY = 0, width = 0, height = 0;
    int left = 0, right = 0, top = 0, bottom = 0;  // _NET_FRAME_EXTENTS
    int border = 0;  // the client's own X border, which i3 leaves outside the extents
    int frameX() const { return clientX - border - left; }
    int frameY() const { return clientY - border - top; }
    int frameWidth() const { return width + 2 * border + left + right; }
    int frameHeight() const { return height + 2 * border + top + bottom; }
};

class XSession {
  public:
    // Starts Xvfb on a free display and the window manager named by VANTREL_TEST_WM (openbox
    // when unset) on it, and waits until the manager manages windows. Sets DISPLAY and the XDG data
    // folders (to `dataDir`, else to a scratch folder removed with the session) for this process
    // and its children.
    static std::unique_ptr<XSession> start(const std::string& dataDir, std::string& error);
    ~XSession();

    // Where desktop entries go: dataDir()/applications.
    const std::string& dataDir() const { return dataDir_; }
    // The window manager the tests run under: VANTREL_TEST_WM, else "openbox".
    static std::string windowManagerName();
    // Starts a test client with these arguments and waits for its window id.
    std::optional<TestWindow> openWindow(const std::vector<std::string>& args);
    // Runs a command line (fixed texts built by the tests) and returns its output.
    static std::string run(const std::string& command);
    ToolGeometry geometry(xcb_window_t window) const;
    // The atoms named in _NET_WM_STATE, as xprop prints them.
    std::string states(xcb_window_t window) const;
    static std::string hex(xcb_window_t window);

  private:
    static std::unique_ptr<XSession> startOnce(const std::string& dataDir,
                                               std::chrono::steady_clock::time_point deadline,
                                               std::string& error);
    XSession() = default;
    std::string display_;
    std::string dataDir_;
    std::string scratch_;
    TestProcess server_;
    TestProcess windowManager_;
};

}  // namespace vantrel::testing
