// vantrel-ui-gallery: the real windows over the simulated desktop with sample layouts, each state
// grabbed into a PNG of the folder given as the argument (scripts/screenshots runs it). With
// "--locate NAME" it prints where the popover's control NAME is, "x y" from the popover's corner,
// for tests that click it in the running program.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QWidget>
#include <cstdio>

#include "base/Log.h"
#include "base/ManualLoop.h"
#include "base/Worker.h"
#include "core/AppDelegate.h"
#include "model/LayoutStorage.h"
#include "model/LoginItem.h"
#include "model/PresetLayout.h"
#include "model/UserDefaults.h"
#include "platform/sim/SimulatedDesktop.h"
#include "platform/sim/SimulatedHotkeys.h"
#include "ui/DialogPresenter.h"
#include "ui/LayoutEditView.h"
#include "ui/MenuView.h"
#include "ui/OnboardingView.h"
#include "ui/PreferencesView.h"
#include "ui/StatusBarController.h"
#include "ui/UiShell.h"

namespace vantrel {
namespace {

constexpr std::uint64_t kControlOption = 0x40000 | 0x80000;

// Nothing here asks the user anything; an unexpected question is answered with its cancel.
class SilentDialogs final : public DialogPresenter {
  public:
    QString ask(QWidget*, const DialogQuestion& question) override {
        std::fprintf(stderr, "gallery: unexpected question \"%s\"\n",
                     question.title.toUtf8().constData());
        return question.cancelButton;
    }
};

struct SampleApp {
    const char* bundleID;
    const char* name;
};

constexpr SampleApp kEditor{"org.example.TextEditor", "Text Editor"};
constexpr SampleApp kTerminal{"org.example.Terminal", "Terminal"};
constexpr SampleApp kBrowser{"org.example.WebBrowser", "Web Browser"};
constexpr SampleApp kMail{"org.example.Mail", "Mail"};
constexpr SampleApp kChat{"org.example.Chat", "Chat"};

WindowState windowOf(const SampleApp& app, const char* title, double x, double y, double w,
                     double h) {
    WindowState state;
    state.appBundleID = app.bundleID;
    state.appName = app.name;
    state.windowTitle = std::string(title);
    state.frameX = x;
    state.frameY = y;
    state.frameWidth = w;
    state.frameHeight = h;
    return state;
}

WindowLayout layoutOf(const char* name, std::vector<WindowState> windows, Date created,
                      Date modified) {
    WindowLayout layout;
    layout.id = Uuid::random();
    layout.name = name;
    layout.windows = std::move(windows);
    DisplayInfo display;
    display.frameWidth = 1920;
    display.frameHeight = 1080;
    display.isMain = true;
    display.name = "Built-in Display";
    layout.displayConfiguration = DisplayConfiguration{{display}};
    layout.createdAt = created;
    layout.modifiedAt = modified;
    return layout;
}

std::vector<WindowLayout> sampleLayouts(Date now) {
    using std::chrono::hours;
    auto coding = layoutOf("Coding",
                           {windowOf(kEditor, "main.cpp", 0, 25, 1280, 1055),
                            windowOf(kTerminal, "build", 1280, 25, 640, 527),
                            windowOf(kBrowser, "Reference", 1280, 552, 640, 528)},
                           now - hours(24 * 12), now - hours(3));
    coding.shortcutKeyCode = 18;  // 1
    coding.shortcutModifiers = kControlOption;
    auto writing = layoutOf("Writing",
                            {windowOf(kEditor, "notes.md", 240, 60, 1440, 980),
                             windowOf(kBrowser, "Sources", 1300, 60, 620, 980)},
                            now - hours(24 * 30), now - hours(24 * 2));
    writing.shortcutKeyCode = 19;  // 2
    writing.shortcutModifiers = kControlOption;
    auto meetings = layoutOf(
        "Meetings",
        {windowOf(kChat, "Team", 0, 25, 960, 1055), windowOf(kBrowser, "Agenda", 960, 25, 960, 527),
         windowOf(kMail, "Inbox", 960, 552, 960, 528),
         windowOf(kEditor, "minutes.md", 400, 300, 800, 600)},
        now - hours(24 * 60), now - hours(24 * 9));
    meetings.triggerOnDisplayChange = true;
    auto mail = layoutOf("Morning Mail", {windowOf(kMail, "Inbox", 160, 90, 1600, 900)},
                         now - hours(24 * 90), now - hours(24 * 45));
    return {coding, writing, meetings, mail};
}

// Turns the event loop for a while: the quick-layout grid slides for 0.2 s.
void settleFor(int milliseconds) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < milliseconds) QApplication::processEvents(QEventLoop::AllEvents, 10);
}

bool save(QWidget* widget, const QDir& folder, const char* name) {
    // Layouts, scroll bars and repaints settle over a few turns.
    settleFor(150);
    const QString path = folder.filePath(QString::fromLatin1(name));
    if (!widget->grab().save(path)) {
        std::fprintf(stderr, "gallery: could not write %s\n", path.toUtf8().constData());
        return false;
    }
    std::printf("%s\n", path.toUtf8().constData());
    return true;
}

int run(const QDir& out, const QString& locate = {}) {
    // Today's date, so that the About tab's year is this year; times are relative to it.
    ManualLoop loop{std::chrono::floor<std::chrono::seconds>(std::chrono::system_clock::now())};
    StdoutLog log;
    SimulatedDesktop desktop{loop, loop};
    SimulatedHotkeys hotkeys;
    InMemoryUserDefaults defaults;
    RecordingLoginItem loginItem;
    InlineWorker worker;
    SilentDialogs dialogs;
    QTemporaryDir data;
    if (!data.isValid()) return 1;

    desktop.setScreens("1920x1080+0+0P");
    std::int32_t pid = 100;
    for (const SampleApp& app : {kEditor, kTerminal, kBrowser, kMail, kChat}) {
        const SimAppId id = desktop.addApplication(
            SimApp{app.bundleID, app.name, pid++, ActivationPolicy::regular, false, {}});
        SimWindow window;
        window.title = std::string(app.name);
        window.position = {100.0 + pid, 80.0 + pid};
        window.size = {900, 700};
        const SimWindowId windowId = desktop.addWindow(id, window);
        desktop.setFrontmost(id);
        desktop.setFocusedWindow(id, windowId);
    }
    {
        MemoryLog quiet;
        (void)LayoutStorage(quiet, loop, data.path().toStdString())
            .save(sampleLayouts(loop.wallNow()));
    }
    defaults.setBool(defaultsKey::kHasCompletedOnboarding, true);
    const auto shortcuts = encodePresetShortcuts({{"Left Half", {123, kControlOption}},
                                                  {"Right Half", {124, kControlOption}},
                                                  {"Maximize", {126, kControlOption}}});
    if (shortcuts) defaults.setData("presetShortcuts", Bytes(shortcuts->begin(), shortcuts->end()));

    AppDelegate app(AppPlatform{desktop, hotkeys, defaults, loginItem, loop, loop, worker, log,
                                data.path().toStdString()});
    bool ok = true;
    {
        UiShell shell(app, makeUiContext(app, loop, loop, worker, dialogs), true);
        shell.installLaunchHooks();
        app.applicationDidFinishLaunching();
        loop.runPending();
        UiContext& context = shell.context();

        StatusBarController& status = *shell.statusBarController();
        MenuView& menu = status.menuView();
        status.showPopover();
        if (!locate.isEmpty()) {
            settleFor(50);
            auto* control = status.popover().findChild<QWidget*>(locate);
            if (control == nullptr) return 1;
            const QPoint at = control->mapTo(&status.popover(), control->rect().center());
            std::printf("%d %d\n", at.x(), at.y());
            return 0;
        }
        ok &= save(&status.popover(), out, "popover-list.png");
        menu.toggleQuickLayouts();
        settleFor(400);
        ok &= save(&status.popover(), out, "popover-quick-layouts.png");
        menu.toggleQuickLayouts();
        settleFor(400);

        desktop.setTrusted(false);
        app.windowService().checkAccessibilityPermission();
        loop.runPending();
        ok &= save(&status.popover(), out, "popover-banner.png");
        desktop.setTrusted(true);
        app.windowService().checkAccessibilityPermission();
        loop.runPending();
        status.popover().hide();

        LayoutEditView* editor =
            LayoutEditView::openWindow(context, app.layoutManager().layouts.get().front());
        ok &= save(editor, out, "editor.png");
        editor->close();

        PreferencesView* preferences = PreferencesView::openWindow(context);
        auto* tabs = preferences->findChild<QTabWidget*>(QStringLiteral("preferencesTabs"));
        const char* tabFiles[] = {"preferences-general.png", "preferences-shortcuts.png",
                                  "preferences-about.png"};
        for (int i = 0; i < 3; ++i) {
            if (tabs != nullptr) tabs->setCurrentIndex(i);
            ok &= save(preferences, out, tabFiles[i]);
        }
        preferences->close();

        // A first run: the permission is not granted yet.
        desktop.setTrusted(false);
        app.windowService().checkAccessibilityPermission();
        loop.runPending();
        OnboardingView* welcome = OnboardingView::openWindow(context, {});
        ok &= save(welcome, out, "onboarding-1.png");
        welcome->next();
        ok &= save(welcome, out, "onboarding-2.png");
        welcome->next();
        ok &= save(welcome, out, "onboarding-3.png");
        welcome->close();
        desktop.setTrusted(true);
        app.windowService().checkAccessibilityPermission();
        loop.runPending();

        app.layoutManager().layouts.set({});
        app.layoutManager().saveLayouts();
        loop.runPending();
        status.showPopover();
        ok &= save(&status.popover(), out, "popover-empty.png");
        status.popover().hide();
        settleFor(50);
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return ok ? 0 : 1;
}

}  // namespace
}  // namespace vantrel

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vantrel"));
    if (argc == 3 && QLatin1String(argv[1]) == QLatin1String("--locate"))
        return vantrel::run(QDir(), QString::fromLocal8Bit(argv[2]));
    if (argc != 2) {
        std::fputs("usage: vantrel-ui-gallery OUTPUT-FOLDER | --locate NAME\n", stderr);
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    if (!out.exists() && !QDir().mkpath(out.path())) return 1;
    return vantrel::run(out);
}
