// The native backend interface's contract, one set of test bodies for every backend: what the
// engine's adapter relies on from any desktop.
#include <gtest/gtest.h>

#include <algorithm>

#include "DesktopHarness.h"

namespace vantrel::testing {
namespace {

class DesktopContract : public ::testing::Test {
  protected:
    void SetUp() override {
        harness_ = makeHarness();
        ASSERT_EQ(harness_->setUpError(), "");
    }

    native::NativeDesktop& desktop() { return harness_->desktop(); }

    std::optional<native::App> application(const std::string& id) {
        const auto snapshot = desktop().snapshot();
        for (const auto& app : snapshot->apps)
            if (app.id == id) return app;
        return std::nullopt;
    }
    std::optional<native::Window> window(DesktopHarness::WindowHandle handle) {
        const auto snapshot = desktop().snapshot();
        const native::Window* found = snapshot->window(harness_->idOf(handle));
        return found != nullptr ? std::optional(*found) : std::nullopt;
    }

    std::unique_ptr<DesktopHarness> harness_;
};

// Applications with their windows, on monitors of which one is the main one.
TEST_F(DesktopContract, ListsApplicationsWithTheirWindowsTitlesAndFramesAndMonitors) {
    const DesktopHarness::WindowHandle opened[] = {
        harness_->open("Alpha", "Alpha one", {100, 120, 400, 300}),
        harness_->open("Alpha", "Alpha two", {700, 140, 500, 350}),
        harness_->open("Beta", "Beta", {300, 600, 450, 320})};
    const char* titles[] = {"Alpha one", "Alpha two", "Beta"};
    const auto snapshot = desktop().snapshot();
    std::vector<const native::Window*> listed;
    for (const char* id : {"Alpha", "Beta"}) {
        const auto app = application(id);
        ASSERT_TRUE(app.has_value()) << id;
        EXPECT_EQ(app->name, id);
        EXPECT_EQ(app->role, native::AppRole::regular);
        EXPECT_GT(app->pid, 0);
        for (const auto* window : snapshot->windowsOf(app->handle)) listed.push_back(window);
    }
    // By application, in the order they were opened, each at the frame the desktop reports, shown.
    ASSERT_EQ(listed.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(listed[i]->id, harness_->idOf(opened[i]));
        EXPECT_EQ(listed[i]->title, titles[i]);
        EXPECT_EQ(listed[i]->frame, harness_->trueFrame(opened[i]));
        EXPECT_FALSE(listed[i]->minimized);
        EXPECT_NE(std::find(snapshot->stacking.begin(), snapshot->stacking.end(), listed[i]->id),
                  snapshot->stacking.end());
    }
    EXPECT_EQ(listed[0]->frame, (Rect{100, 120, 400, 300}));

    const auto& monitors = snapshot->monitors;
    ASSERT_FALSE(monitors.empty());
    EXPECT_EQ(std::count_if(monitors.begin(), monitors.end(), [](const auto& m) { return m.main; }),
              1);
    // The desktop space starts at the primary's top-left corner.
    EXPECT_EQ((Point{monitors.front().frame.x, monitors.front().frame.y}), (Point{0, 0}));
    for (const auto& monitor : monitors) {
        EXPECT_GT(monitor.frame.width, 0);
        EXPECT_GT(monitor.frame.height, 0);
        EXPECT_NE(monitor.id.value_or(0), 0u);
        EXPECT_EQ(intersection(monitor.frame, monitor.workArea), monitor.workArea);
    }
    EXPECT_TRUE(desktop().capabilities().canMove);
}

// One call places several windows (a gone one among them) and answers each in order; the frames
// written are the frames read back; position or size alone keeps the other.
TEST_F(DesktopContract, PlacesSeveralWindowsInOneCallAndReadsBackWhatItWrote) {
    const auto a = harness_->open("Alpha", "Mover", {100, 100, 400, 300});
    const auto b = harness_->open("Beta", "Other", {500, 200, 400, 300});
    const native::WindowId ia = harness_->idOf(a), ib = harness_->idOf(b);
    const auto placed = native::PlaceResult::placed;
    const auto placedAt = [&](Rect wantA, Rect wantB) {
        return harness_->settle(
            [&] { return harness_->trueFrame(a) == wantA && harness_->trueFrame(b) == wantB; });
    };
    EXPECT_EQ(desktop().placeWindows({{ia, Point{640, 360}, Size{720, 480}},
                                      {ib + 424242, Point{1, 1}, Size{400, 300}},
                                      {ib, Point{60, 80}, Size{500, 350}, 20ms}}),
              (std::vector{placed, native::PlaceResult::gone, placed}));
    EXPECT_TRUE(placedAt({640, 360, 720, 480}, {60, 80, 500, 350}));
    EXPECT_EQ(window(a)->frame, (Rect{640, 360, 720, 480}));
    EXPECT_EQ(window(b)->frame, (Rect{60, 80, 500, 350}));
    EXPECT_EQ(desktop().placeWindows(
                  {{ia, Point{640, 360}, std::nullopt}, {ib, std::nullopt, Size{600, 400}}}),
              (std::vector{placed, placed}));
    EXPECT_TRUE(placedAt({640, 360, 720, 480}, {60, 80, 600, 400}));
    // Stopped after the first send (Quit during a long restore): the rest is never sent.
    int asked = 0;
    EXPECT_EQ(desktop().placeWindows(
                  {{ia, Point{100, 100}, std::nullopt}, {ib, Point{900, 500}, std::nullopt, 20ms}},
                  [&] { return asked++ > 0; }),
              (std::vector{placed, native::PlaceResult::notSent}));
    EXPECT_TRUE(placedAt({100, 100, 720, 480}, {60, 80, 600, 400}));
}

TEST_F(DesktopContract, MinimisesAndBringsBackAndClosesAnApplicationPolitely) {
    const auto handle = harness_->open("Alpha", "Mini", {200, 200, 400, 300});
    harness_->open("Alpha", "Doc 2", {100, 100, 400, 300});
    harness_->open("Beta", "Stays", {300, 300, 400, 300});
    const native::WindowId id = harness_->idOf(handle);
    EXPECT_EQ(desktop().setMinimized(id, true), native::PlaceResult::placed);
    EXPECT_TRUE(harness_->settle([&] { return harness_->trulyMinimized(handle); }));
    EXPECT_TRUE(window(handle)->minimized);
    const auto stacking = desktop().snapshot()->stacking;
    EXPECT_EQ(std::find(stacking.begin(), stacking.end(), id), stacking.end());
    EXPECT_EQ(desktop().setMinimized(id, false), native::PlaceResult::placed);
    EXPECT_TRUE(harness_->settle([&] { return !harness_->trulyMinimized(handle); }));
    EXPECT_FALSE(window(handle)->minimized);

    const auto alpha = application("Alpha");
    ASSERT_TRUE(alpha.has_value());
    EXPECT_TRUE(desktop().closeApplication(alpha->handle));
    EXPECT_TRUE(harness_->settle([&] { return !application("Alpha").has_value(); }));
    EXPECT_TRUE(application("Beta").has_value());
}

}  // namespace
}  // namespace vantrel::testing
