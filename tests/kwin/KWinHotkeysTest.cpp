// Global shortcuts on KWin, end to end inside with-kwin.sh: registered through the script,
// invoked through kglobalaccel as KDE's own shortcut machinery does, heard with their ids.
#include <gtest/gtest.h>

#include <QCoreApplication>

#include <condition_variable>
#include <mutex>
#include <vector>

#include "KWinCalls.h"
#include "base/Log.h"
#include "platform/kwin/KWinBridge.h"
#include "platform/kwin/KWinHotkeys.h"
#include "platform/kwin/KWinScript.h"

namespace vantrel::kwin {
namespace {

using testing::invokeKWinShortcut;

constexpr std::uint32_t kCtrlAlt = hotkey_modifier::kControl | hotkey_modifier::kOption;

// Presses as the handler hears them, on the bridge's thread.
struct Presses {
    std::mutex mutex;
    std::condition_variable arrived;
    std::vector<std::uint32_t> ids;

    // The ids heard once `count` arrived, or when 20 s passed.
    std::vector<std::uint32_t> await(std::size_t count) {
        std::unique_lock lock(mutex);
        arrived.wait_for(lock, std::chrono::seconds{20}, [&] { return ids.size() >= count; });
        return ids;
    }
};

TEST(KWinHotkeys, PressesReachTheHandlerWithTheirIdsAndTakenCombinationsAreRefused) {
    MemoryLog log;
    KWinBridge bridge(log);
    ASSERT_TRUE(bridge.start().ok());
    KWinHotkeys hotkeys(log, bridge);
    hotkeys.start();
    const auto script = scriptPath(std::getenv("VANTREL_KWIN_SCRIPT"), ownExecutable());
    ASSERT_TRUE(script && loadScript(*script).ok());
    // Qt D-Bus dispatches incoming calls on the shared session connection only once the main
    // thread's event loop has run; in the program it runs before any shortcut is registered.
    QCoreApplication::processEvents();
    Presses presses;
    const Subscription handler = hotkeys.installPressHandler([&](std::optional<HotkeyID> id) {
        std::lock_guard lock(presses.mutex);
        presses.ids.push_back(id ? id->id : 0);
        presses.arrived.notify_all();
        return hotkey_status::kNoError;
    });

    // Ctrl+Alt+1 (the 1 key is stored as 18) as id 7; KWin's own Alt+F4 (F4 is 118) is taken.
    const auto one = hotkeys.registerHotkey(18, kCtrlAlt, HotkeyID{kHotkeySignature, 7});
    ASSERT_EQ(one.status, hotkey_status::kNoError);
    EXPECT_EQ(hotkeys.registerHotkey(18, kCtrlAlt, HotkeyID{kHotkeySignature, 9}).status,
              hotkey_status::kHotkeyExists);
    EXPECT_EQ(hotkeys.registerHotkey(118, hotkey_modifier::kOption, {}).status,
              hotkey_status::kHotkeyExists);
    EXPECT_TRUE(log.contains("KWinHotkeys: Alt+F4 belongs to KWin: Close Window"));
    ASSERT_TRUE(invokeKWinShortcut("vantrel Ctrl+Alt+1"));
    EXPECT_EQ(presses.await(1), (std::vector<std::uint32_t>{7}));

    // Released, the action stays with KWin and is silent; registered again, it carries the new id.
    EXPECT_EQ(hotkeys.unregisterHotkey(*one.ref), hotkey_status::kNoError);
    ASSERT_TRUE(invokeKWinShortcut("vantrel Ctrl+Alt+1"));
    ASSERT_EQ(hotkeys.registerHotkey(18, kCtrlAlt, HotkeyID{kHotkeySignature, 8}).status,
              hotkey_status::kNoError);
    ASSERT_TRUE(invokeKWinShortcut("vantrel Ctrl+Alt+1"));
    EXPECT_EQ(presses.await(2), (std::vector<std::uint32_t>{7, 8}));
    unloadScript();
}

}  // namespace
}  // namespace vantrel::kwin
