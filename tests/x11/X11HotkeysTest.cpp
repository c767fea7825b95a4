// Global hotkeys against a real X server: presses through XTEST, lock keys, combinations another
// client holds. (A preset shortcut moving a window through the whole program: the end-to-end test.)
#include <cstdio>

#include "X11Fixture.h"
#include "platform/x11/X11Hotkeys.h"

namespace vantrel::testing {
namespace {

constexpr std::uint32_t kCmdOpt = hotkey_modifier::kCommand | hotkey_modifier::kOption;
constexpr std::uint32_t kKey1 = 18;
constexpr std::uint32_t kKey2 = 19;
// Where this server's keyboard map puts Super and Alt, and Num Lock.
constexpr std::uint16_t kSuperAlt = XCB_MOD_MASK_4 | XCB_MOD_MASK_1;
constexpr std::uint16_t kNumLock = XCB_MOD_MASK_2;

class X11HotkeysTest : public X11Test {
  protected:
    void SetUp() override {
        X11Test::SetUp();
        if (HasFatalFailure()) return;
        const Status connected = hotkeys_.connect();
        ASSERT_TRUE(connected.ok()) << connected.error().message;
        handler_ = hotkeys_.installPressHandler([this](std::optional<HotkeyID> id) {
            if (id) presses_.push_back(id->id);
            return hotkey_status::kNoError;
        });
    }

    HotkeyRegistration registerHotkey(std::uint32_t keyCode, std::uint32_t mask, std::uint32_t id) {
        return hotkeys_.registerHotkey(keyCode, mask, HotkeyID{kHotkeySignature, id});
    }
    HotkeyRef registered(std::uint32_t keyCode, std::uint32_t mask, std::uint32_t id) {
        const auto registration = registerHotkey(keyCode, mask, id);
        EXPECT_EQ(registration.status, hotkey_status::kNoError) << keyCode;
        EXPECT_TRUE(registration.ref.has_value()) << keyCode;
        return registration.ref.value_or(0);
    }

    // Another program on the same display takes the key for itself: false when the server refused.
    static bool grab(TestWindow& other, xcb_keysym_t keysym, std::uint16_t modifiers) {
        char command[32];
        std::snprintf(command, sizeof command, "grab %x %x", keysym, modifiers);
        other.process.writeLine(command);
        return other.process.readLine(std::chrono::milliseconds{5000}) == "grabbed";
    }

    // Presses keys through XTEST and reads until `count` presses have arrived.
    bool press(const std::string& keys, std::size_t count) {
        XSession::run("xdotool key " + keys);
        return eventually([&] {
            hotkeys_.processEvents();
            loop_.runPending();
            return presses_.size() >= count;
        });
    }

    X11Hotkeys hotkeys_{log_, loop_};
    Subscription handler_;
    std::vector<std::uint32_t> presses_;
};

TEST_F(X11HotkeysTest, APressReachesItsCombinationOnlyWhateverTheLockKeys) {
    registered(kKey1, kCmdOpt, 7);
    registered(kKey2, kCmdOpt, 8);
    registered(kKey1, hotkey_modifier::kControl | hotkey_modifier::kShift, 9);
    ASSERT_TRUE(press("super+alt+2", 1));
    EXPECT_EQ(presses_, (std::vector<std::uint32_t>{8}));
    // Alt alone is another combination, which nobody registered: it must not fire 7.
    ASSERT_TRUE(press("alt+1 super+alt+1 ctrl+shift+1", 3));
    XSession::run("xdotool key Num_Lock");
    ASSERT_TRUE(press("super+alt+1", 4));
    XSession::run("xdotool key Caps_Lock");
    ASSERT_TRUE(press("super+alt+1", 5));
    XSession::run("xdotool key Caps_Lock Num_Lock");
    ASSERT_TRUE(press("super+alt+1", 6));
    EXPECT_EQ(presses_, (std::vector<std::uint32_t>{8, 7, 9, 7, 7, 7}));
}

TEST_F(X11HotkeysTest, RefusesTakenOrNamelessKeysAndReleasesOursWhenUnregistered) {
    TestWindow& other = client(open({"--title", "Other"}));
    // The other program holds only the Num Lock variant: ours fails part way, and the variants
    // we did grab are released again.
    ASSERT_TRUE(grab(other, '1', kSuperAlt | kNumLock));
    const auto refused = registerHotkey(kKey1, kCmdOpt, 1);
    EXPECT_EQ(refused.status, -9878);
    EXPECT_FALSE(refused.ref.has_value());
    EXPECT_TRUE(grab(other, '1', kSuperAlt));
    EXPECT_TRUE(grab(other, '1', kSuperAlt | XCB_MOD_MASK_LOCK));
    // Ours is nobody else's; the server would let us grab it twice, but we refuse that too.
    const HotkeyRef ref = registered(kKey2, kCmdOpt, 2);
    EXPECT_FALSE(grab(other, '2', kSuperAlt));
    EXPECT_EQ(registerHotkey(kKey2, kCmdOpt, 3).status, -9878);
    EXPECT_EQ(hotkeys_.unregisterHotkey(ref), hotkey_status::kNoError);
    EXPECT_TRUE(grab(other, '2', kSuperAlt));
    EXPECT_LT(hotkeys_.unregisterHotkey(ref), 0);

    // 10 is the ISO section key, 200 no key at all.
    for (std::uint32_t key : {10u, 200u}) {
        const auto registration = registerHotkey(key, kCmdOpt, 3);
        EXPECT_LT(registration.status, 0) << key;
        EXPECT_FALSE(registration.ref.has_value());
    }
    // Arrows, function keys and the bare key are fine.
    registered(123, kCmdOpt, 4);
    registered(111, 0, 5);
    registered(51, hotkey_modifier::kShift, 6);
}

}  // namespace
}  // namespace vantrel::testing
