// One desktop behind the native backend interface, with what the contract tests need to arrange
// and check it independently of that interface.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "base/Geometry.h"
#include "platform/api/NativeDesktop.h"

namespace vantrel::testing {

class DesktopHarness {
  public:
    using WindowHandle = std::size_t;

    virtual ~DesktopHarness() = default;
    // Empty when the desktop could not be set up; the reason then.
    std::string setUpError() const { return error_; }
    virtual native::NativeDesktop& desktop() = 0;
    // Opens a window of the application `app` (its identifier and name) and waits until the
    // backend lists it. `frame` is the outer frame wanted, in the desktop space.
    virtual WindowHandle open(const std::string& app, const std::string& title, Rect frame) = 0;
    virtual native::WindowId idOf(WindowHandle window) = 0;
    // The window's outer frame and minimised state as the desktop itself knows them.
    virtual Rect trueFrame(WindowHandle window) = 0;
    virtual bool trulyMinimized(WindowHandle window) = 0;
    // Lets the desktop deliver what it has to, until `condition` holds; false at the deadline.
    virtual bool settle(const std::function<bool()>& condition) = 0;

  protected:
    std::string error_;
};

// The harness of the backend this test program is built for.
std::unique_ptr<DesktopHarness> makeHarness();

}  // namespace vantrel::testing
