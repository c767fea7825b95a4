// The recorder on a real X server with openbox: keys as the server sends them (through XTEST)
// on US, UK and German keyboard layouts, and a combination the window manager holds.
#include <QApplication>
#include <QTest>

#include "X11Fixture.h"
#include "app/AppHarness.h"
#include "platform/x11/X11Hotkeys.h"
#include "ui/ShortcutRecorder.h"

namespace vantrel::testing {
namespace {

constexpr std::uint64_t kControlOptionShift = 0xE0000;

class RecorderOnXTest : public X11Test {
  protected:
    static void TearDownTestSuite() {
        delete application_;  // before its X server goes
        application_ = nullptr;
        X11Test::TearDownTestSuite();
    }

    void SetUp() override {
        X11Test::SetUp();
        if (HasFatalFailure()) return;
        if (application_ == nullptr) {
            qputenv("QT_QPA_PLATFORM", "xcb");
            static int argc = 1;
            static char name[] = "ui_x11_tests";
            static char* argv[] = {name, nullptr};
            application_ = new QApplication(argc, argv);
        }
        ASSERT_TRUE(x11.connect().ok());
        h.hotkeySystem = &x11;
        h.create();
        recorder = std::make_unique<ShortcutRecorder>(&h.app->hotkeyService(), Uuid());
        recorder->onShortcutRecorded = [this](std::uint16_t k, std::uint64_t m) {
            recorded.emplace_back(k, m);
        };
        recorder->show();
        recorder->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(recorder.get(), 10000));
        recorder->setFocus();
        ASSERT_TRUE(QTest::qWaitFor([this] { return recorder->hasFocus(); }, 10000));
    }
    void TearDown() override {
        XSession::run("setxkbmap us");
        recorder.reset();
        QCoreApplication::processEvents();  // its window goes before the desktop must be empty
        X11Test::TearDown();
    }

    // Types through XTEST, then waits (reading the hotkeys' connection too) until `done`.
    template <typename Done>
    bool type(const std::string& keys, Done done) {
        XSession::run("xdotool key " + keys);
        return QTest::qWaitFor(
            [&] {
                x11.processEvents();
                h.loop.runPending();
                return done();
            },
            10000);
    }

    static inline QApplication* application_ = nullptr;
    AppHarness h;
    X11Hotkeys x11{h.log, h.loop};
    std::unique_ptr<ShortcutRecorder> recorder;
    std::vector<std::pair<std::uint16_t, std::uint64_t>> recorded;
};

TEST_F(RecorderOnXTest, ShiftWithTheTwoKeyIsTheSameKeyOnUsUkAndGermanKeyboards) {
    // Shift makes '@' on that key in the US, '"' in the UK and in Germany.
    for (const char* layout : {"us", "gb", "de"}) {
        XSession::run(std::string("setxkbmap ") + layout);
        const std::size_t before = recorded.size();
        ASSERT_TRUE(type("ctrl+alt+shift+2", [&] { return recorded.size() > before; })) << layout;
        EXPECT_EQ(recorded.back(),
                  (std::pair<std::uint16_t, std::uint64_t>{19, kControlOptionShift}))
            << layout;
    }
    // Shown with the layout's own label: the key right of 0 prints ß in Germany.
    EXPECT_EQ(h.app->hotkeyService().shortcutText(27, 0x40000), "Ctrl+ß");
}

TEST_F(RecorderOnXTest, ACombinationTheWindowManagerHoldsIsRefusedWithTheReason) {
    // openbox keeps Ctrl+Alt+Left for itself; while the recorder listens it still hears it.
    ASSERT_TRUE(type("ctrl+alt+Left", [&] { return !recorder->message().isEmpty(); }));
    EXPECT_EQ(recorder->message(), "Another program uses this shortcut");
    EXPECT_TRUE(recorded.empty());
}

}  // namespace
}  // namespace vantrel::testing
