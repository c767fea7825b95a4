// The widgets over the whole core on the simulated desktop, virtual time and scripted dialogs.
#pragma once

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

#include "app/AppHarness.h"
#include "ui/DialogPresenter.h"
#include "ui/MenuView.h"
#include "ui/StatusBarController.h"
#include "ui/UiShell.h"
#include "ui/UpdateControls.h"

// Readable QString values in failure messages.
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

namespace vantrel::testing {

// Answers each question with the next scripted answer; without one, with the cancel button.
class ScriptedDialogs final : public DialogPresenter {
  public:
    void setNextAnswer(const QString& answer) { answers_.push_back(answer); }
    QString ask(QWidget* parent, const DialogQuestion& question) override {
        asked.push_back(question);
        if (whileAsking) whileAsking(parent);
        if (!answers_.isEmpty()) return answers_.takeFirst();
        return question.cancelButton.isEmpty() ? question.buttons.value(question.buttons.size() - 1)
                                               : question.cancelButton;
    }
    std::vector<DialogQuestion> asked;
    // Runs while a question is up, as the desktop would (a popup closes when a dialog opens).
    std::function<void(QWidget* parent)> whileAsking;

  private:
    QStringList answers_;
};

class FakeUpdates final : public UpdateControls {
  public:
    void start() override { ++starts; }
    void checkForUpdatesNow() override { ++checks; }
    Published<bool>& canCheckForUpdates() override { return can; }
    Published<bool> can{false};
    int starts = 0;
    int checks = 0;
};

class UiTest : public ::testing::Test {
  protected:
    AppHarness h;
    ScriptedDialogs dialogs;
    FakeUpdates updates;
    std::unique_ptr<UiShell> shell;
    SimWindowId live = 0;
    int quits = 0;
    QStringList openedLinks;

    void SetUp() override {
        h.desktop.setScreens("1920x1080+0+0P");
        const SimAppId editorApp = h.desktop.addApplication(
            SimApp{"org.example.Editor", "Editor", 10, native::AppRole::regular, false, false});
        SimWindow w;
        w.title = "doc";
        w.position = {100, 100};
        w.size = {400, 300};
        live = h.desktop.addWindow(editorApp, w);
        h.desktop.setFrontmost(editorApp);
        h.desktop.setFocusedWindow(editorApp, live);
        h.defaults.setBool("hasCompletedOnboarding", true);
    }

    void TearDown() override {
        shell.reset();
        flushDeletes();
    }

    // The session the UI is told it runs in.
    Session session = Session::x11;
    // Creates the core and the UI, then finishes launching; the permission check settles.
    void launch(bool tray = true) {
        auto& app = h.create();
        UiContext context = makeUiContext(app, h.loop, h.loop, h.inlineWorker, dialogs, &updates);
        context.quit = [this] { ++quits; };
        context.openLink = [this](const QString& url) {
            openedLinks.append(url);
            return true;
        };
        context.runningApps = [this] { return runningAppChoices(h.seam); };
        context.installedApps = [] {
            return std::vector<AppChoice>{{"org.example.Viewer", "Viewer"},
                                          {"org.example.Editor", "Editor"}};
        };
        context.versionShort = QStringLiteral("0.1.0");
        context.versionBuild = QStringLiteral("7");
        context.session = session;
        shell = std::make_unique<UiShell>(app, std::move(context), tray);
        shell->installLaunchHooks();
        app.applicationDidFinishLaunching();
        h.loop.runPending();
    }

    AppDelegate& app() { return *h.app; }
    StatusBarController& controller() { return *shell->statusBarController(); }
    MenuView& menu() { return controller().menuView(); }

    static void flushDeletes() {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
    }

    template <typename T = QWidget>
    static T* child(QObject* root, const QString& name) {
        return root->findChild<T*>(name);
    }

    // The visible top-level windows with this object name.
    static QWidgetList windows(const QString& name) {
        QWidgetList found;
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (widget->objectName() == name && widget->isVisible()) found.append(widget);
        return found;
    }

    static QString text(QObject* root, const QString& name) {
        if (auto* label = child<QLabel>(root, name)) return label->text();
        if (auto* button = child<QAbstractButton>(root, name)) return button->text();
        return QStringLiteral("<missing %1>").arg(name);
    }

    // Shown with the window it belongs to (isVisible needs the ancestors shown too).
    static bool shown(QObject* root, const QString& name) {
        auto* widget = child(root, name);
        return widget != nullptr && widget->isVisible();
    }

    static void click(QObject* root, const QString& name) {
        auto* button = child<QAbstractButton>(root, name);
        ASSERT_NE(button, nullptr) << name.toStdString();
        button->click();
    }

    // A layout of `count` windows of the editor, stored as if saved earlier.
    WindowLayout layoutOf(const std::string& name, int count, Rect frame = {10, 20, 500, 400}) {
        std::vector<WindowState> windows;
        for (int i = 0; i < count; ++i)
            windows.push_back(windowState("org.example.Editor", i, frame));
        auto layout = namedLayout(name, std::move(windows));
        layout.createdAt = h.loop.wallNow();
        layout.modifiedAt = h.loop.wallNow();
        return layout;
    }
};

}  // namespace vantrel::testing
