// vantrel-ui-gallery: the real windows over the simulated desktop with sample layouts, each state
// grabbed into a PNG of the folder given as the argument (scripts/screenshots runs it). With
// "--locate NAME" it prints where the popover's control NAME is, "x y" from the popover's corner,
// for tests that click it in the running program.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QMenu>
#include <QPainter>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QWidget>
#include <cstdio>

#include "base/Log.h"
#include "base/ManualLoop.h"
#include "base/Worker.h"
#include "core/AppDelegate.h"
#include "engine/DesktopAdapter.h"
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
#include "ui/TrayIcon.h"
#include "ui/TrayMenu.h"
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
    coding.triggerApps = {kTerminal.bundleID};
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

// The right-click menu as the tray shows it.
bool saveTrayMenu(QMenu& menu, const QDir& folder) {
    menu.popup(QPoint(400, 300));
    const bool ok = save(&menu, folder, "tray-menu.png");
    menu.hide();
    return ok;
}

// The tray icon on a light and a dark panel, at 1x (22 pixels) and 2x (44 pixels), in device
// pixels: each drawn for its scale, never a scaled bitmap.
bool saveTrayIcons(const QDir& folder) {
    QImage strip(QSize(2 * (34 + 56), 56), QImage::Format_ARGB32);
    QPainter painter(&strip);
    int x = 0;
    for (const QColor panel : {QColor(0xEC, 0xEC, 0xEC), QColor(0x2B, 0x2B, 0x2B)}) {
        QPalette palette;
        palette.setColor(QPalette::Window, panel);
        const QIcon icon = trayIcon(palette);
        for (const qreal scale : {1.0, 2.0}) {
            const int cell = scale == 1.0 ? 34 : 56;
            painter.fillRect(QRect(x, 0, cell, 56), panel);
            QPixmap pixmap = icon.pixmap(QSize(22, 22), scale);
            pixmap.setDevicePixelRatio(1);
            painter.drawPixmap(x + (cell - pixmap.width()) / 2, (56 - pixmap.height()) / 2, pixmap);
            x += cell;
        }
    }
    painter.end();
    const QString path = folder.filePath(QStringLiteral("tray-icon.png"));
    if (!strip.save(path)) return false;
    std::printf("%s\n", path.toUtf8().constData());
    return true;
}

// The three tabs of the preferences window.
bool savePreferences(UiContext& context, const QDir& out) {
    bool ok = true;
    PreferencesView* preferences = PreferencesView::openWindow(context);
    auto* tabs = preferences->findChild<QTabWidget*>(QStringLiteral("preferencesTabs"));
    const char* tabFiles[] = {"preferences-general.png", "preferences-shortcuts.png",
                              "preferences-about.png"};
    for (int i = 0; i < 3; ++i) {
        if (tabs != nullptr) tabs->setCurrentIndex(i);
        ok &= save(preferences, out, tabFiles[i]);
    }
    preferences->close();
    return ok;
}

// The welcome window's three pages, on a first run without a window manager yet.
bool saveOnboarding(UiContext& context, AppDelegate& app, SimulatedDesktop& desktop,
                    ManualLoop& loop, const QDir& out) {
    bool ok = true;
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
    return ok;
}

// The popover with its list, with the quick layouts open, and without a window manager.
bool saveMenuStates(StatusBarController& status, AppDelegate& app, SimulatedDesktop& desktop,
                    ManualLoop& loop, const QDir& out) {
    MenuView& menu = status.menuView();
    bool ok = true;
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
    return ok;
}

// The applications of the sample layouts, each with a window, the last one in front.
void addSampleApps(SimulatedDesktop& desktop) {
    desktop.setScreens("1920x1080+0+0P");
    std::int32_t pid = 100;
    for (const SampleApp& app : {kEditor, kTerminal, kBrowser, kMail, kChat}) {
        const SimAppId id = desktop.addApplication(
            SimApp{app.bundleID, app.name, pid++, native::AppRole::regular, false, false});
        SimWindow window;
        window.title = std::string(app.name);
        window.position = {100.0 + pid, 80.0 + pid};
        window.size = {900, 700};
        const SimWindowId windowId = desktop.addWindow(id, window);
        desktop.setFrontmost(id);
        desktop.setFocusedWindow(id, windowId);
    }
}

int run(const QDir& out, const QString& locate = {}) {
    // Today's date, so that the About tab's year is this year; times are relative to it.
    ManualLoop loop{std::chrono::floor<std::chrono::seconds>(std::chrono::system_clock::now())};
    StdoutLog log;
    SimulatedDesktop desktop{loop, loop};
    DesktopAdapter seam{desktop};
    SimulatedHotkeys hotkeys;
    InMemoryUserDefaults defaults;
    RecordingLoginItem loginItem;
    InlineWorker worker;
    SilentDialogs dialogs;
    QTemporaryDir data;
    if (!data.isValid()) return 1;

    addSampleApps(desktop);
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

    AppDelegate app(AppPlatform{seam, hotkeys, defaults, loginItem, loop, loop, worker, log,
                                data.path().toStdString()});
    bool ok = true;
    {
        UiContext shellContext = makeUiContext(app, loop, loop, worker, dialogs);
        shellContext.runningApps = [&seam] { return runningAppChoices(seam); };
        UiShell shell(app, std::move(shellContext), true);
        shell.installLaunchHooks();
        app.applicationDidFinishLaunching();
        loop.runPending();
        UiContext& context = shell.context();

        StatusBarController& status = *shell.statusBarController();
        status.showPopover();
        if (!locate.isEmpty()) {
            settleFor(50);
            auto* control = status.popover().findChild<QWidget*>(locate);
            if (control == nullptr) return 1;
            const QPoint at = control->mapTo(&status.popover(), control->rect().center());
            std::printf("%d %d\n", at.x(), at.y());
            return 0;
        }
        ok &= saveMenuStates(status, app, desktop, loop, out);

        ok &= saveTrayMenu(*status.trayMenu(), out);
        ok &= saveTrayIcons(out);

        // Marked here only: marked in the file, it would be restoring while the list is taken.
        WindowLayout edited = app.layoutManager().layouts.get().front();
        edited.restoreAtLogin = true;
        LayoutEditView* editor = LayoutEditView::openWindow(context, edited);
        ok &= save(editor, out, "editor.png");
        editor->close();

        ok &= savePreferences(context, out);

        ok &= saveOnboarding(context, app, desktop, loop, out);

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
