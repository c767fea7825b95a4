// No word of another desktop reaches a Linux screen: every text of every window, menu and
// question is walked, from the banner shown without a window manager to the list after it.
#include <QGroupBox>
#include <QLineEdit>
#include <QMenu>
#include <QRegularExpression>
#include <QTabWidget>

#include "UiFixture.h"
#include "ui/LayoutRowView.h"
#include "ui/PlatformWords.h"
#include "ui/TrayMenu.h"

namespace vantrel::testing {
namespace {

QStringList textsOf(QWidget* root) {
    QStringList texts{root->windowTitle(), root->toolTip(), root->accessibleName()};
    for (QWidget* widget : root->findChildren<QWidget*>()) {
        texts << widget->toolTip() << widget->accessibleName();
        if (auto* label = qobject_cast<QLabel*>(widget)) texts << label->text();
        if (auto* button = qobject_cast<QAbstractButton*>(widget)) texts << button->text();
        if (auto* group = qobject_cast<QGroupBox*>(widget)) texts << group->title();
        if (auto* field = qobject_cast<QLineEdit*>(widget)) texts << field->placeholderText();
        if (auto* tabs = qobject_cast<QTabWidget*>(widget))
            for (int i = 0; i < tabs->count(); ++i) texts << tabs->tabText(i);
        if (auto* menu = qobject_cast<QMenu*>(widget))
            for (QAction* action : menu->actions()) texts << action->text() << action->toolTip();
    }
    return texts;
}

const QRegularExpression kForeign(QStringLiteral(
    "menu bar|\\bSpaces?\\b|Accessibility|System Settings|\\bOption\\b|\\bCommand\\b|[⌘⌃⌥⇧]"));

using PlatformWordsTest = UiTest;

TEST_F(PlatformWordsTest, EveryViewSpeaksOfWorkspacesTheTrayAndTheWindowManager) {
    auto layout = layoutOf("Work", 2);
    layout.shortcutKeyCode = 18;
    layout.shortcutModifiers =
        modifier::kControl | modifier::kOption | modifier::kShift | modifier::kCommand;
    layout.windows[0].spaceIndex = 2;
    layout.windows[1].spaceIndex = 2;
    h.writeLayoutFile({layout});
    h.defaults.setBool("hasCompletedOnboarding", false);
    h.desktop.setTrusted(false);
    launch();
    QStringList texts;
    // Without a window manager: the banner in place of the list and the save section, its help,
    // and every page of the welcome window.
    controller().showPopover();
    EXPECT_TRUE(shown(&menu(), "accessibilityBanner"));
    EXPECT_FALSE(shown(&menu(), "layoutListStack") || shown(&menu(), "saveSection"));
    texts << textsOf(&controller().popover()) << textsOf(windows("welcomeWindow").value(0));
    // Linux has no setting to open: both buttons explain what to run instead.
    click(&menu(), "bannerSettingsButton");
    click(&menu(), "bannerGrantButton");
    EXPECT_EQ(h.desktop.trustRequests(), 1);
    // Granted elsewhere: the poll picks it up and the list comes back by itself.
    h.desktop.setTrusted(true);
    h.loop.advance(3s);
    EXPECT_FALSE(shown(&menu(), "accessibilityBanner"));
    EXPECT_TRUE(shown(&menu(), "layoutListStack") && shown(&menu(), "saveSection"));
    // With one: the list, the quick layouts, the save sheet, a row's menu and question, the
    // editor, the preferences and the tray menu.
    controller().showPopover();
    click(&menu(), "quickLayoutsButton");
    menu().openSaveSheet();
    texts << textsOf(&controller().popover());
    menu().rows().at(0)->confirmDelete();
    menu().rows().at(0)->openEditor();
    menu().openPreferences();
    texts << textsOf(windows("editLayoutWindow").value(0))
          << textsOf(windows("preferencesWindow").value(0));
    emit controller().trayMenu()->aboutToShow();
    texts << textsOf(controller().trayMenu());
    for (const auto& question : dialogs.asked)
        texts << question.title << question.message << question.buttons;
    for (const Session kind :
         {Session::x11, Session::kdeWayland, Session::gnomeWayland, Session::wayland}) {
        const PlatformWords& words = platformWords(kind);
        texts << words.needTitle << words.needName << words.needReason << words.needPurpose
              << words.needDetail << words.needMet << words.needMissing << words.checkButton
              << words.helpButton << words.helpTitle << words.helpMessage;
    }
    for (const QString& text : texts)
        EXPECT_FALSE(kForeign.match(text).hasMatch()) << text.toStdString();
    for (const char* expected :
         {"Workspace 2", "Click the tray icon to save layouts", "Window Manager Required",
          "Ctrl+Alt+Shift+Super+1", "Window Manager Needed"})
        EXPECT_TRUE(texts.contains(QString::fromUtf8(expected))) << expected;
}

// The words follow the session the backend was chosen for, whatever the environment says.
TEST_F(PlatformWordsTest, AKdeSessionsBannerSpeaksOfTheKWinScript) {
    session = Session::kdeWayland;
    h.desktop.setTrusted(false);
    launch();
    controller().showPopover();
    EXPECT_TRUE(
        textsOf(&controller().popover()).contains(QStringLiteral("KWin Script Not Running")));
}

}  // namespace
}  // namespace vantrel::testing
