// Drawn icons fill their own part of the screen; the published-value bridge delivers on the GUI
// thread.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QWidget>
#include <thread>

#include "base/Published.h"
#include "ui/Icons.h"
#include "ui/PublishedBridge.h"

namespace vantrel {
namespace {

bool inked(const QImage& image, double fx, double fy) {
    const int x = static_cast<int>(fx * image.width());
    const int y = static_cast<int>(fy * image.height());
    return qAlpha(image.pixel(x, y)) > 128;
}

// Each preset inks a point inside its part and leaves one outside blank. Screen space has y up:
// the top half is drawn at the top.
TEST(IconsTest, PresetIconsFillTheirOwnPartOfTheScreen) {
    const struct {
        PresetLayout preset;
        double inX, inY, outX, outY;
    } cases[] = {{PresetLayout::leftHalf, 0.3, 0.5, 0.7, 0.5},
                 {PresetLayout::topHalf, 0.5, 0.3, 0.5, 0.7},
                 {PresetLayout::rightThird, 0.8, 0.5, 0.5, 0.5}};
    for (const auto& c : cases) {
        const QImage image = icons::presetPixmap(c.preset, 64, Qt::black).toImage();
        EXPECT_TRUE(inked(image, c.inX, c.inY) && !inked(image, c.outX, c.outY))
            << rawValue(c.preset);
    }
    // Presets sharing one catalogue symbol still draw apart.
    EXPECT_NE(icons::presetPixmap(PresetLayout::leftThird, 32, Qt::black).toImage(),
              icons::presetPixmap(PresetLayout::centerThird, 32, Qt::black).toImage());
}

// Each drawing of its own, one glyph of the table, and a name the table lacks.
TEST(IconsTest, EachKindOfSymbolDrawsSomething) {
    for (const char* name : {"rectangle.3.group", "rectangle.3.group.fill", "rectangle.split.2x2",
                             "lock.shield.fill", "square.stack.3d.up",
                             "square.stack.3d.forward.dottedline", "keyboard", "unknown.symbol"}) {
        const QImage image = icons::symbolPixmap(name, 24, Qt::red).toImage();
        bool any = false;
        for (int i = 0; i < image.width() * image.height() && !any; ++i)
            any = qAlpha(image.pixel(i % image.width(), i / image.width())) > 0;
        EXPECT_TRUE(any) << name;
    }
}

TEST(PublishedBridgeTest, AppliesAtOnceQueuesOtherThreadsChangesAndStopsWithItsOwner) {
    Published<int> value{1};
    std::vector<int> seen;
    bool onGui = true;
    {
        QWidget widget;
        PublishedBridge bridge(&widget);
        bridge.watchAndApply(value, [&](int v) {
            onGui = onGui && QThread::currentThread() == widget.thread();
            seen.push_back(v);
        });
        value.set(2);
        std::thread([&] { value.set(7); }).join();
        EXPECT_EQ(seen, (std::vector<int>{1, 2}));
        QCoreApplication::processEvents();
        EXPECT_EQ(seen, (std::vector<int>{1, 2, 7}));
        std::thread([&] { value.set(8); }).join();
    }
    QCoreApplication::processEvents();
    value.set(9);
    EXPECT_EQ(seen, (std::vector<int>{1, 2, 7}));
    EXPECT_TRUE(onGui);
}

}  // namespace
}  // namespace vantrel
