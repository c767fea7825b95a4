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

TEST_F(DesktopContract, ListsApplicationsWithTheirWindowsTitlesAndFrames) {
    const auto a1 = harness_->open("Alpha", "Alpha one", {100, 120, 400, 300});
    const auto a2 = harness_->open("Alpha", "Alpha two", {700, 140, 500, 350});
    const auto b = harness_->open("Beta", "Beta", {300, 600, 450, 320});

    const auto snapshot = desktop().snapshot();
    for (const char* id : {"Alpha", "Beta"}) {
        const auto app = application(id);
        ASSERT_TRUE(app.has_value()) << id;
        EXPECT_EQ(app->name, id);
        EXPECT_EQ(app->role, native::AppRole::regular);
        EXPECT_GT(app->pid, 0);
    }
    const auto alpha = snapshot->windowsOf(application("Alpha")->handle);
    const auto beta = snapshot->windowsOf(application("Beta")->handle);
    ASSERT_EQ(alpha.size(), 2u);
    ASSERT_EQ(beta.size(), 1u);
    // In the order they were opened, each at the frame the desktop itself reports, shown.
    const std::pair<const native::Window*, DesktopHarness::WindowHandle> expected[] = {
        {alpha[0], a1}, {alpha[1], a2}, {beta[0], b}};
    const char* titles[] = {"Alpha one", "Alpha two", "Beta"};
    for (std::size_t i = 0; i < 3; ++i) {
        const auto& [listed, handle] = expected[i];
        EXPECT_EQ(listed->id, harness_->idOf(handle));
        EXPECT_EQ(listed->title, titles[i]);
        EXPECT_EQ(listed->frame, harness_->trueFrame(handle));
        EXPECT_FALSE(listed->minimized);
        EXPECT_NE(std::find(snapshot->stacking.begin(), snapshot->stacking.end(), listed->id),
                  snapshot->stacking.end());
    }
    EXPECT_EQ(alpha[0]->frame, (Rect{100, 120, 400, 300}));
}

TEST_F(DesktopContract, AFrameWrittenIsTheFrameReadBack) {
    const auto handle = harness_->open("Alpha", "Mover", {100, 100, 400, 300});
    const native::WindowId id = harness_->idOf(handle);
    const Rect wanted{640, 360, 720, 480};
    EXPECT_EQ(desktop().placeWindows({{id, Point{640, 360}, Size{720, 480}}}),
              std::vector{native::PlaceResult::placed});
    EXPECT_TRUE(harness_->settle([&] { return harness_->trueFrame(handle) == wanted; }));
    EXPECT_EQ(window(handle)->frame, wanted);
    // Writing back what was read moves nothing; position and size apart keep the other.
    EXPECT_EQ(desktop().placeWindows({{id, Point{640, 360}, std::nullopt}}),
              std::vector{native::PlaceResult::placed});
    EXPECT_EQ(harness_->trueFrame(handle), wanted);
    EXPECT_EQ(desktop().placeWindows({{id, std::nullopt, Size{600, 400}}, {id + 424242, {}, {}}}),
              (std::vector{native::PlaceResult::placed, native::PlaceResult::gone}));
    EXPECT_TRUE(harness_->settle([&] {
        return harness_->trueFrame(handle) == Rect{640, 360, 600, 400};
    }));
}

TEST_F(DesktopContract, MinimisesAndBringsBack) {
    const auto handle = harness_->open("Alpha", "Mini", {200, 200, 400, 300});
    const native::WindowId id = harness_->idOf(handle);
    EXPECT_EQ(desktop().setMinimized(id, true), native::PlaceResult::placed);
    EXPECT_TRUE(harness_->settle([&] { return harness_->trulyMinimized(handle); }));
    EXPECT_TRUE(window(handle)->minimized);
    const auto stacking = desktop().snapshot()->stacking;
    EXPECT_EQ(std::find(stacking.begin(), stacking.end(), id), stacking.end());
    EXPECT_EQ(desktop().setMinimized(id, false), native::PlaceResult::placed);
    EXPECT_TRUE(harness_->settle([&] { return !harness_->trulyMinimized(handle); }));
    EXPECT_FALSE(window(handle)->minimized);
}

TEST_F(DesktopContract, ClosesAnApplicationPolitely) {
    harness_->open("Alpha", "Doc 1", {100, 100, 400, 300});
    harness_->open("Alpha", "Doc 2", {200, 200, 400, 300});
    harness_->open("Beta", "Stays", {300, 300, 400, 300});
    const auto alpha = application("Alpha");
    ASSERT_TRUE(alpha.has_value());
    EXPECT_TRUE(desktop().closeApplication(alpha->handle));
    EXPECT_TRUE(harness_->settle([&] { return !application("Alpha").has_value(); }));
    EXPECT_TRUE(application("Beta").has_value());
}

TEST_F(DesktopContract, HasMonitorsWithAMainOneAndCanMoveWindows) {
    const auto snapshot = desktop().snapshot();
    ASSERT_FALSE(snapshot->monitors.empty());
    EXPECT_EQ(std::count_if(snapshot->monitors.begin(), snapshot->monitors.end(),
                            [](const auto& m) { return m.main; }),
              1);
    // The desktop space starts at the primary's top-left corner.
    EXPECT_EQ(snapshot->monitors.front().frame.x, 0);
    EXPECT_EQ(snapshot->monitors.front().frame.y, 0);
    for (const auto& monitor : snapshot->monitors) {
        EXPECT_GT(monitor.frame.width, 0);
        EXPECT_GT(monitor.frame.height, 0);
        EXPECT_NE(monitor.id.value_or(0), 0u);
        EXPECT_EQ(intersection(monitor.frame, monitor.workArea), monitor.workArea);
    }
    EXPECT_TRUE(desktop().capabilities().canMove);
}

}  // namespace
}  // namespace vantrel::testing
