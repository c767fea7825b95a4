// The window seam's contract, one set of test bodies for every backend: what the engine relies on
// from any desktop.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "DesktopHarness.h"

namespace vantrel::testing {
namespace {

class DesktopContract : public ::testing::Test {
  protected:
    void SetUp() override {
        harness_ = makeHarness();
        ASSERT_EQ(harness_->setUpError(), "");
    }

    WindowSystem& seam() { return harness_->system(); }

    std::optional<RunningApplication> application(const std::string& bundleID) {
        for (auto& app : seam().runningApplications())
            if (app.bundleID == bundleID) return app;
        return std::nullopt;
    }

    std::vector<Element> windowsOf(const std::string& bundleID) {
        const auto app = application(bundleID);
        if (!app) return {};
        const auto read =
            seam().copyAttribute(seam().applicationElement(*app), attribute::kWindows);
        const auto* list = read.as<std::vector<Element>>();
        return list != nullptr ? *list : std::vector<Element>{};
    }

    Rect frameOf(const Element& window) {
        const auto position = seam().copyAttribute(window, attribute::kPosition);
        const auto size = seam().copyAttribute(window, attribute::kSize);
        if (position.as<Point>() == nullptr || size.as<Size>() == nullptr) return {};
        return Rect{position.as<Point>()->x, position.as<Point>()->y, size.as<Size>()->width,
                    size.as<Size>()->height};
    }

    std::string titleOf(const Element& window) {
        const auto title = seam().copyAttribute(window, attribute::kTitle);
        return title.as<std::string>() != nullptr ? *title.as<std::string>() : "";
    }

    bool minimized(const Element& window) {
        const auto read = seam().copyAttribute(window, attribute::kMinimized);
        return read.as<bool>() != nullptr && *read.as<bool>();
    }

    std::unique_ptr<DesktopHarness> harness_;
};

TEST_F(DesktopContract, ListsApplicationsWithTheirWindowsTitlesAndFrames) {
    const auto a1 = harness_->open("Alpha", "Alpha one", {100, 120, 400, 300});
    const auto a2 = harness_->open("Alpha", "Alpha two", {700, 140, 500, 350});
    const auto b = harness_->open("Beta", "Beta", {300, 600, 450, 320});

    for (const char* id : {"Alpha", "Beta"}) {
        const auto app = application(id);
        ASSERT_TRUE(app.has_value()) << id;
        EXPECT_EQ(app->localizedName, id);
        EXPECT_EQ(app->activationPolicy, ActivationPolicy::regular);
        EXPECT_GT(app->processIdentifier, 0);
    }
    const auto alpha = windowsOf("Alpha");
    const auto beta = windowsOf("Beta");
    ASSERT_EQ(alpha.size(), 2u);
    ASSERT_EQ(beta.size(), 1u);
    // In the order they were opened, each at the frame the desktop itself reports.
    EXPECT_EQ(titleOf(alpha[0]), "Alpha one");
    EXPECT_EQ(titleOf(alpha[1]), "Alpha two");
    EXPECT_EQ(titleOf(beta[0]), "Beta");
    EXPECT_EQ(frameOf(alpha[0]), harness_->trueFrame(a1));
    EXPECT_EQ(frameOf(alpha[1]), harness_->trueFrame(a2));
    EXPECT_EQ(frameOf(beta[0]), harness_->trueFrame(b));
    EXPECT_EQ(frameOf(alpha[0]), (Rect{100, 120, 400, 300}));
}

TEST_F(DesktopContract, AFrameWrittenIsTheFrameReadBack) {
    const auto handle = harness_->open("Alpha", "Mover", {100, 100, 400, 300});
    const auto windows = windowsOf("Alpha");
    ASSERT_EQ(windows.size(), 1u);
    EXPECT_EQ(seam().setAttribute(windows[0], attribute::kPosition, Point{640, 360}),
              AXError::success);
    EXPECT_EQ(seam().setAttribute(windows[0], attribute::kSize, Size{720, 480}), AXError::success);
    const Rect wanted{640, 360, 720, 480};
    EXPECT_TRUE(harness_->settle([&] { return harness_->trueFrame(handle) == wanted; }));
    EXPECT_EQ(frameOf(windows[0]), wanted);
    // Writing back what was read moves nothing.
    EXPECT_EQ(seam().setAttribute(windows[0], attribute::kPosition, Point{640, 360}),
              AXError::success);
    EXPECT_EQ(harness_->trueFrame(handle), wanted);
}

TEST_F(DesktopContract, MinimisesAndBringsBack) {
    const auto handle = harness_->open("Alpha", "Mini", {200, 200, 400, 300});
    const auto windows = windowsOf("Alpha");
    ASSERT_EQ(windows.size(), 1u);
    EXPECT_EQ(seam().setAttribute(windows[0], attribute::kMinimized, true), AXError::success);
    EXPECT_TRUE(harness_->settle([&] { return harness_->trulyMinimized(handle); }));
    EXPECT_TRUE(minimized(windows[0]));
    EXPECT_EQ(seam().setAttribute(windows[0], attribute::kMinimized, false), AXError::success);
    EXPECT_TRUE(harness_->settle([&] { return !harness_->trulyMinimized(handle); }));
    EXPECT_FALSE(minimized(windows[0]));
}

TEST_F(DesktopContract, ClosesAnApplicationPolitely) {
    harness_->open("Alpha", "Doc 1", {100, 100, 400, 300});
    harness_->open("Alpha", "Doc 2", {200, 200, 400, 300});
    harness_->open("Beta", "Stays", {300, 300, 400, 300});
    const auto alpha = application("Alpha");
    ASSERT_TRUE(alpha.has_value());
    EXPECT_TRUE(seam().terminate(*alpha));
    EXPECT_TRUE(harness_->settle([&] { return !application("Alpha").has_value(); }));
    EXPECT_TRUE(application("Beta").has_value());
}

TEST_F(DesktopContract, HasScreensWithAMainOne) {
    const ScreenList list = seam().screens();
    ASSERT_FALSE(list.screens.empty());
    ASSERT_TRUE(list.mainIndex.has_value());
    ASSERT_LT(*list.mainIndex, list.screens.size());
    for (const auto& screen : list.screens) {
        EXPECT_GT(screen.frame.width, 0);
        EXPECT_GT(screen.frame.height, 0);
        EXPECT_NE(screen.screenNumber.value_or(0), 0u);
    }
}

TEST_F(DesktopContract, TheWindowServerListAgreesWithTheAccessibilityFrames) {
    harness_->open("Alpha", "One", {100, 100, 400, 300});
    harness_->open("Alpha", "Two", {600, 200, 500, 400});
    harness_->open("Beta", "Three", {300, 700, 450, 320});
    const auto list = seam().windowList();
    ASSERT_TRUE(list.has_value());
    for (const char* id : {"Alpha", "Beta"}) {
        const auto app = application(id);
        ASSERT_TRUE(app.has_value());
        for (const Element& window : windowsOf(id)) {
            const Rect frame = frameOf(window);
            SCOPED_TRACE(titleOf(window));
            // The engine pairs the two lists by owner and bounds within 5 points.
            const bool listed = std::any_of(list->begin(), list->end(), [&](const auto& entry) {
                if (entry.ownerPID != app->processIdentifier || !entry.bounds || !entry.number)
                    return false;
                const WindowBounds& b = *entry.bounds;
                return std::abs(b.x.value_or(0) - frame.x) < 5 &&
                       std::abs(b.y.value_or(0) - frame.y) < 5 &&
                       std::abs(b.width.value_or(0) - frame.width) < 5 &&
                       std::abs(b.height.value_or(0) - frame.height) < 5;
            });
            EXPECT_TRUE(listed);
        }
    }
}

}  // namespace
}  // namespace vantrel::testing
