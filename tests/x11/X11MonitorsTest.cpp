// Monitors coming and going under Xvfb: RandR virtual monitors set and deleted by another client
// reach the screen observers, and the screen list follows with stable ids.
#include <sys/uio.h>
#include <xcb/randr.h>
#include <xcb/xcbext.h>

#include <cstdlib>
#include <cstring>

#include "X11Fixture.h"

namespace vantrel::testing {
namespace {

// Another client rearranging the monitors, as a display settings tool would.
class MonitorTool {
  public:
    MonitorTool() : c_(xcb_connect(nullptr, nullptr)) {
        root_ = xcb_setup_roots_iterator(xcb_get_setup(c_)).data->root;
        auto* resources = xcb_randr_get_screen_resources_current_reply(
            c_, xcb_randr_get_screen_resources_current(c_, root_), nullptr);
        if (resources != nullptr &&
            xcb_randr_get_screen_resources_current_outputs_length(resources) > 0)
            output_ = xcb_randr_get_screen_resources_current_outputs(resources)[0];
        std::free(resources);
    }
    ~MonitorTool() { xcb_disconnect(c_); }

    // A full-height monitor: the primary on the screen's one output (replacing the automatic
    // monitor), any other on none.
    void set(const char* name, int x, bool primary) {
        struct {
            xcb_randr_monitor_info_t info;
            xcb_randr_output_t output;
        } monitor{};
        monitor.info = {atom(name),
                        static_cast<std::uint8_t>(primary),
                        0,
                        static_cast<std::uint16_t>(primary ? 1 : 0),
                        static_cast<std::int16_t>(x),
                        0,
                        1280,
                        1440,
                        300,
                        340};
        monitor.output = output_;
        // Sent by hand: libxcb 1.15's xcb_randr_set_monitor crashes while copying the request.
        xcb_randr_set_monitor_request_t request{};
        request.window = root_;
        iovec parts[6]{};
        parts[2] = {&request, sizeof request};
        parts[4] = {&monitor, sizeof monitor.info + (primary ? sizeof output_ : 0)};
        xcb_protocol_request_t protocol{4, &xcb_randr_id, XCB_RANDR_SET_MONITOR, 1};
        check(xcb_void_cookie_t{xcb_send_request(c_, XCB_REQUEST_CHECKED, parts + 2, &protocol)},
              name);
    }
    void remove(const char* name) {
        check(xcb_randr_delete_monitor_checked(c_, root_, atom(name)), name);
    }
    bool hasOutput() const { return output_ != 0; }

  private:
    xcb_atom_t atom(const char* name) {
        auto* reply = xcb_intern_atom_reply(
            c_, xcb_intern_atom(c_, 0, static_cast<std::uint16_t>(std::strlen(name)), name),
            nullptr);
        const xcb_atom_t result = reply != nullptr ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
        std::free(reply);
        return result;
    }
    void check(xcb_void_cookie_t cookie, const char* name) {
        xcb_generic_error_t* error = xcb_request_check(c_, cookie);
        EXPECT_EQ(error, nullptr) << "RandR refused the change of " << name;
        std::free(error);
    }

    xcb_connection_t* c_;
    xcb_window_t root_ = XCB_WINDOW_NONE;
    xcb_randr_output_t output_ = 0;
};

using X11MonitorsTest = X11Test;

TEST_F(X11MonitorsTest, FollowsMonitorsAddedAndRemoved) {
    MonitorTool tool;
    ASSERT_TRUE(tool.hasOutput());
    int changes = 0;
    const Subscription observation = desktop_->observeScreenParameters([&] { ++changes; });
    ASSERT_EQ(desktop_->screens().screens.size(), 1u);
    const auto screensAre = [&](std::vector<Rect> frames, const char* first) {
        return pumpUntil([&] {
            const auto screens = desktop_->screens().screens;
            std::vector<Rect> found;
            for (const auto& screen : screens) found.push_back(screen.frame);
            return changes > 0 && found == frames && screens[0].localizedName == first;
        });
    };

    // Split the screen into a primary monitor on the left and a second one on the right.
    tool.set("VANTREL-LEFT", 0, true);
    tool.set("VANTREL-RIGHT", 1280, false);
    EXPECT_TRUE(screensAre({{0, 0, 1280, 1440}, {1280, 0, 1280, 1440}}, "VANTREL-LEFT"));
    const ScreenList split = desktop_->screens();
    EXPECT_NE(split.screens[0].screenNumber, split.screens[1].screenNumber);

    // The right one is unplugged: the left one keeps its id. (A new primary's place in the list
    // and its corner as the origin: X11Screens.)
    changes = 0;
    tool.remove("VANTREL-RIGHT");
    EXPECT_TRUE(screensAre({{0, 0, 1280, 1440}}, "VANTREL-LEFT"));
    EXPECT_EQ(desktop_->screens().screens.at(0).screenNumber, split.screens[0].screenNumber);
}

}  // namespace
}  // namespace vantrel::testing
