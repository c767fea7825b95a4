// The X11 backend's pure parts: frames and decorations, coordinate spaces, struts, and naming
// applications from WM_CLASS.
#include <gtest/gtest.h>

#include "platform/freedesktop/DesktopEntries.h"
#include "platform/freedesktop/Edid.h"
#include "platform/x11/Monitors.h"
#include "platform/x11/X11Geometry.h"

namespace vantrel::x11 {
namespace {

TEST(X11Frames, DecorationsGrowAndShadowsShrinkTheFrameSymmetrically) {
    const Extents frame{1, 1, 20, 5};
    const Extents shadow{10, 10, 8, 12};
    const Rect client{101, 170, 300, 200};
    const Rect outer = frameFromClient(client, frame, {});
    EXPECT_EQ(outer, (Rect{100, 150, 302, 225}));
    // Writing back what was read is the identity, whatever the extents.
    for (const Extents& s : {Extents{}, shadow}) {
        EXPECT_EQ(clientFromFrame(frameFromClient(client, frame, s), frame, s), client);
    }
    // A client-side-decorated window without manager frame: its shadow is not part of it.
    EXPECT_EQ(frameFromClient(Rect{90, 92, 420, 320}, {}, shadow), (Rect{100, 100, 400, 300}));
}

TEST(X11Spaces, TheDesktopSpaceStartsAtThePrimaryTopLeft) {
    const Rect primary{1920, 200, 2560, 1440};
    EXPECT_EQ(rootToDesktop({1920, 200}, primary), (Point{0, 0}));
    EXPECT_EQ(rootToDesktop({0, 0}, primary), (Point{-1920, -200}));
    EXPECT_EQ(desktopToRoot(rootToDesktop({37, 91}, primary), primary), (Point{37, 91}));
}

TEST(X11Struts, APanelReservesItsEdgeOnlyOnTheMonitorsItTouches) {
    // Two monitors side by side, the right one shorter; a bottom panel on the left one only.
    const Rect left{0, 0, 1920, 1200};
    const Rect right{1920, 0, 1920, 1080};
    const double rootW = 3840, rootH = 1200;
    const Strut bottom{0, 0, 0, 40, 0, 0, 0, 0, 0, 0, 0, 1919};
    EXPECT_EQ(visibleArea(left, {bottom}, rootW, rootH), (Rect{0, 0, 1920, 1160}));
    EXPECT_EQ(visibleArea(right, {bottom}, rootW, rootH), right);
    // A top panel spanning everything, and a left dock over part of the left monitor.
    const Strut top = strutFromLegacy({0, 0, 30, 0}, rootW, rootH);
    const Strut dock{64, 0, 0, 0, 100, 900, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(visibleArea(left, {top, dock}, rootW, rootH), (Rect{64, 30, 1856, 1170}));
    EXPECT_EQ(visibleArea(right, {top, dock}, rootW, rootH), (Rect{1920, 30, 1920, 1050}));
}

TEST(X11Screens, ThePrimaryComesFirstAndTheWorkAreaApplies) {
    std::vector<MonitorInfo> monitors{{"DP-2", {0, 0, 1920, 1080}, false, {}},
                                      {"DP-1", {1920, 0, 2560, 1440}, true, {}}};
    const auto list = buildMonitors(monitors, {}, Rect{0, 25, 4480, 1415}, 4480, 1440);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_TRUE(list[0].main && !list[1].main);
    EXPECT_EQ(list[0].name, "DP-1");
    EXPECT_EQ(list[0].frame, (Rect{0, 0, 2560, 1440}));
    EXPECT_EQ(list[0].workArea, (Rect{0, 25, 2560, 1415}));
    EXPECT_EQ(list[1].frame, (Rect{-1920, 0, 1920, 1080}));
    EXPECT_EQ(list[1].id, freedesktop::displayId({}, "DP-2"));
    // A panel in a corner: one monitor takes the manager's work area, whatever the strut says.
    const Strut corner{0, 0, 0, 24, 0, 0, 0, 0, 0, 0, 1800, 1919};
    EXPECT_EQ(
        buildMonitors({monitors[0]}, {corner}, Rect{0, 0, 1896, 1080}, 1920, 1080).at(0).workArea,
        (Rect{0, 0, 1896, 1080}));
    // No monitors at all: the whole root is one screen.
    EXPECT_EQ(buildMonitors({}, {}, std::nullopt, 800, 600).at(0).frame, (Rect{0, 0, 800, 600}));
}

TEST(X11Identity, FollowsTheOrderDesktopShellsUse) {
    const freedesktop::EntryIndex index(
        {{"org.example.Editor", "Editor", "edit-main", "/a.desktop"},
         {"google-chrome", "Chrome", "", "/b.desktop"},
         {"beta", "Beta", "", "/c.desktop"},
         {"org.example.Gtk", "Gtk App", "", "/d.desktop"}});
    // StartupWMClass wins over an entry that happens to carry the class as its id.
    EXPECT_EQ(freedesktop::resolveApplicationId({"beta", "edit-main", ""}, index),
              "org.example.Editor");
    EXPECT_EQ(freedesktop::resolveApplicationId({"Google Chrome", "Google-chrome", ""}, index),
              "google-chrome");
    EXPECT_EQ(freedesktop::resolveApplicationId({"x", "beta", ""}, index), "beta");
    EXPECT_EQ(freedesktop::resolveApplicationId({"gtkapp", "Gtkapp", "org.example.Gtk"}, index),
              "org.example.Gtk");
    // Nothing installed: the class as it stands.
    EXPECT_EQ(freedesktop::resolveApplicationId({"xlogo", "XLogo", ""}, index), "XLogo");
    EXPECT_EQ(freedesktop::resolveApplicationId({"", "", ""}, index), std::nullopt);
}

}  // namespace
}  // namespace vantrel::x11
