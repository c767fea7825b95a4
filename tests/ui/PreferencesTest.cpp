// The preferences window: switches, permission row, update button, preset shortcuts, About.
#include <QCheckBox>
#include <QTabWidget>
#include <QTest>

#include "UiFixture.h"
#include "ui/PreferencesView.h"
#include "ui/ShortcutRecorder.h"

namespace vantrel::testing {
namespace {

class PreferencesTest : public UiTest {
  protected:
    PreferencesView* prefs = nullptr;

    void open() {
        launch();
        prefs = PreferencesView::openWindow(shell->context());
    }

    QWidget* presetRow(const char* raw) {
        return child(prefs, QStringLiteral("presetRow:") + QString::fromLatin1(raw));
    }

    ShortcutRecorder* recorderIn(const char* raw) {
        return child<ShortcutRecorder>(presetRow(raw), "shortcutRecorder");
    }
};

TEST_F(PreferencesTest, SwitchesWriteThroughTheStoreCheckNowFollowsTheUpdaterAndAbout) {
    open();
    auto* login = child<QCheckBox>(prefs, "launchAtLoginBox");
    login->click();
    EXPECT_TRUE(app().preferences().launchAtLogin());
    child<QCheckBox>(prefs, "checkForUpdatesBox")->click();
    EXPECT_FALSE(app().preferences().checkForUpdates());
    // A change made elsewhere shows at once; what the store does with each is PreferencesTest's.
    app().preferences().setLaunchAtLogin(false);
    EXPECT_FALSE(login->isChecked());

    auto* checkNow = child<QAbstractButton>(prefs, "checkNowButton");
    EXPECT_FALSE(checkNow->isEnabled());
    updates.can.set(true);
    EXPECT_TRUE(checkNow->isEnabled());
    checkNow->click();
    EXPECT_EQ(updates.checks, 1);
    EXPECT_EQ(updates.starts, 1);  // started once at launch
    // The permission row follows the permission live.
    EXPECT_FALSE(shown(prefs, "grantAccessButton"));
    h.desktop.setTrusted(false);
    app().windowService().checkAccessibilityPermission();
    h.loop.runPending();
    click(prefs, "grantAccessButton");
    EXPECT_EQ(dialogs.asked.size(), 1U);
    // About: the first tab is the general one.
    EXPECT_EQ(child<QTabWidget>(prefs, "preferencesTabs")->currentIndex(), 0);
    EXPECT_EQ(text(prefs, "aboutVersion"), "Version 0.1.0 (7)");
    // The virtual wall clock of the tests stands in December 2025.
    EXPECT_EQ(text(prefs, "copyrightLabel"), "\u00A9 2025 Vantrel. All rights reserved.");
    EXPECT_EQ(PreferencesView::copyrightText(Date{std::chrono::seconds{1'800'000'000}}),
              "\u00A9 2027 Vantrel. All rights reserved.");
    click(prefs, "websiteButton");
    click(prefs, "supportButton");
    EXPECT_EQ(openedLinks, (QStringList{"https://vantrel.app", "mailto:support@vantrel.app"}));
}

// Recording stores a shortcut and shows its text, clearing removes only that preset's, and a
// recording ended by Escape or moved to another row stores nothing.
TEST_F(PreferencesTest, PresetShortcutsAreRecordedClearedAndAnAbandonedRecordingStoresNothing) {
    open();
    app().preferences().setPresetShortcut(PresetLayout::maximize, PresetShortcut{96, 0x100000});
    EXPECT_EQ(text(presetRow("Maximize"), "presetShortcutText"), "Super+F5");
    EXPECT_EQ(prefs->findChildren<QWidget*>(QRegularExpression("^presetRow:")).size(), 15);
    click(presetRow("Left Half"), "presetSetButton");
    flushDeletes();
    ASSERT_NE(recorderIn("Left Half"), nullptr);
    EXPECT_EQ(child(presetRow("Left Half"), "presetSetButton"), nullptr);
    QTest::keyClick(recorderIn("Left Half"), Qt::Key_Left, Qt::ControlModifier | Qt::AltModifier);
    flushDeletes();
    EXPECT_FALSE(prefs->recordingPreset().has_value());
    const PresetShortcutMap left{{"Maximize", {96, 0x100000}}};
    auto both = left;
    both["Left Half"] = {123, 786432};
    EXPECT_EQ(app().preferences().presetShortcuts(), both);
    EXPECT_EQ(text(presetRow("Left Half"), "presetShortcutText"), "Ctrl+Alt+Left");
    click(presetRow("Left Half"), "presetClearButton");
    flushDeletes();
    EXPECT_EQ(app().preferences().presetShortcuts(), left);
    EXPECT_NE(child(presetRow("Left Half"), "presetNone"), nullptr);
    click(presetRow("Maximize"), "presetSetButton");
    flushDeletes();
    QTest::keyClick(recorderIn("Maximize"), Qt::Key_Escape);
    flushDeletes();
    click(presetRow("Top Half"), "presetSetButton");
    flushDeletes();
    click(presetRow("Center"), "presetSetButton");
    flushDeletes();
    EXPECT_EQ(recorderIn("Top Half"), nullptr);
    EXPECT_NE(recorderIn("Center"), nullptr);
    EXPECT_EQ(app().preferences().presetShortcuts(), left);
}

}  // namespace
}  // namespace vantrel::testing
