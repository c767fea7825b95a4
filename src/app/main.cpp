// The vantrel executable: picks the backend for the session, builds the core and the tray UI,
// then runs Qt's loop.
#include <QApplication>
#include <QCoreApplication>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

#include "app/CommandLine.h"
#include "app/DBusNotifier.h"
#include "app/QSettingsUserDefaults.h"
#include "app/SingleInstance.h"
#include "app/XdgAutostartLoginItem.h"
#include "base/Clock.h"
#include "base/Log.h"
#include "base/Worker.h"
#include "core/AppDelegate.h"
#include "core/Constants.h"
#include "dbus/LayoutBus.h"
#include "engine/DesktopAdapter.h"
#include "platform/api/Backend.h"
#include "platform/freedesktop/DesktopEntries.h"
#include "platform/freedesktop/SessionBus.h"
#include "platform/freedesktop/XdgFolders.h"
#include "ui/AppChoices.h"
#ifdef VANTREL_BACKEND_KWIN
#include "platform/kwin/KWinBackend.h"
#endif
#ifdef VANTREL_BACKEND_GNOME
#include "platform/gnome/GnomeBackend.h"
#endif
#ifdef VANTREL_BACKEND_X11
#include "platform/x11/X11Backend.h"
#endif
#include "ui/DialogPresenter.h"
#include "ui/PlatformWords.h"
#include "ui/QtMainQueue.h"
#include "ui/StatusBarController.h"
#include "ui/UiContext.h"
#include "ui/UiShell.h"
#include "ui/UpdateAlert.h"
#include "update/qt/QtFeedUpdater.h"

namespace {

// Answers --help, --version and the subcommands before anything touches the display; refuses
// other options. Returns the exit code when the program should stop here.
std::optional<int> handleArguments(int argc, char** argv) {
    if (vantrel::cli::isCommand(argc, argv)) return vantrel::cli::run(argc, argv);
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--help" || argument == "-h") {
            std::fputs(vantrel::cli::usage().c_str(), stdout);
            return 0;
        }
        if (argument == "--version") {
            std::printf("Vantrel %s\n", VANTREL_VERSION);
            return 0;
        }
        if (argument == "--quit") {
            QCoreApplication application(argc, argv);
            if (vantrel::SingleInstance::tell(vantrel::SingleInstance::defaultSocketPath(),
                                              vantrel::SingleInstance::kQuitMessage))
                return 0;
            std::fputs("Vantrel is not running.\n", stderr);
            return 1;
        }
        std::fprintf(stderr, "vantrel: unknown option '%s'\n%s", argv[i],
                     vantrel::cli::usage().c_str());
        return 2;
    }
    return std::nullopt;
}

QtMessageHandler qtMessageHandler = nullptr;

// Qt ends the process itself when its X connection breaks; the user reads our line instead.
void onQtMessage(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (message.startsWith(QLatin1String("The X11 connection broke"))) {
        std::fputs("Vantrel: Lost the connection to the X server\n", stdout);
        std::fflush(stdout);
        return;
    }
    if (qtMessageHandler != nullptr) qtMessageHandler(type, context, message);
}

// The backends this build has, most wanted first.
vantrel::BackendChoice backends() {
    vantrel::BackendChoice choice;
#ifdef VANTREL_BACKEND_KWIN
    choice.add(vantrel::kwin::backendEntry());
#endif
#ifdef VANTREL_BACKEND_GNOME
    choice.add(vantrel::gnome::backendEntry());
#endif
#ifdef VANTREL_BACKEND_X11
    choice.add(vantrel::x11::backendEntry());
#endif
    return choice;
}

// The backend for this session. Without one Qt would abort with advice that does not apply (or
// start on a display that shows only some windows): say in one line what is missing instead.
const vantrel::BackendEntry* chooseBackend(const vantrel::BackendChoice& choice,
                                           vantrel::SessionType& session) {
    session = vantrel::sessionTypeFrom(
        {std::getenv("XDG_SESSION_TYPE"), std::getenv("WAYLAND_DISPLAY"), std::getenv("DISPLAY"),
         std::getenv("XDG_CURRENT_DESKTOP")},
        [] { return vantrel::freedesktop::sessionBusHasOwner("org.kde.KWin"); });
    const auto chosen = choice.choose(session);
    if (chosen.entry == nullptr)
        std::printf("%s\n", vantrel::BackendChoice::refusal(session, chosen).c_str());
    return chosen.entry;
}

// The words the windows use for the session the backend serves.
vantrel::Session uiSession(vantrel::SessionType session) {
    switch (session) {
        case vantrel::SessionType::kdeWayland:
            return vantrel::Session::kdeWayland;
        case vantrel::SessionType::gnomeWayland:
            return vantrel::Session::gnomeWayland;
        case vantrel::SessionType::otherWayland:
            return vantrel::Session::wayland;
        case vantrel::SessionType::x11:
        case vantrel::SessionType::unknown:
            break;
    }
    return vantrel::Session::x11;
}

// The installed desktop entries, as trigger applications to pick.
std::vector<vantrel::AppChoice> installedAppChoices() {
    std::vector<vantrel::AppChoice> choices;
    for (const auto& entry : vantrel::freedesktop::loadInstalledEntries())
        choices.push_back({entry.id, entry.name.empty() ? entry.id : entry.name});
    return choices;
}

void describeApplication() {
    QApplication::setApplicationName(QStringLiteral("Vantrel"));
    QApplication::setApplicationVersion(QStringLiteral(VANTREL_VERSION));
    // A tray utility keeps running with every window closed.
    QApplication::setQuitOnLastWindowClosed(false);
}

}  // namespace

int main(int argc, char** argv) {
    if (const auto exitCode = handleArguments(argc, argv)) return *exitCode;
    // A peer that went away (the X server above all: libxcb writes without MSG_NOSIGNAL) is an
    // error the connection reports, so the loss is logged and we end with 1, not by the signal.
    std::signal(SIGPIPE, SIG_IGN);

    using namespace vantrel;
    const BackendChoice choice = backends();
    SessionType session = SessionType::unknown;
    const BackendEntry* const backendEntry = chooseBackend(choice, session);
    if (backendEntry == nullptr) return 1;
    qtMessageHandler = qInstallMessageHandler(onQtMessage);
    QApplication application(argc, argv);
    describeApplication();
    // A second start on this display wakes the running one instead of grabbing every hotkey twice.
    SingleInstance instance(SingleInstance::defaultSocketPath());
    if (instance.claim() == SingleInstance::Role::secondary) {
        std::fputs("Vantrel is already running.\n", stderr);
        return 0;
    }

    StdoutLog log;
    SystemClock clock;
    QtMainQueue mainQueue;
    SerialExecutor executor(clock);

    const auto backend = backendEntry->make({log, mainQueue, clock, mainQueue});
    backend->start();
    DesktopAdapter windowSystem(backend->desktop());
    // Without its session there is nothing left to do: the loss is logged, then we end.
    const Subscription sessionLost = backend->onSessionLost([] { QCoreApplication::exit(1); });

    const auto folders = freedesktop::XdgFolders::fromEnvironment();
    const QString configHome = QString::fromStdString(folders.configHome.value_or("").string());
    QSettingsUserDefaults defaults(configHome);
    XdgAutostartLoginItem loginItem(configHome, QCoreApplication::applicationFilePath());
    // Reads the release feed and tells the user of a newer version; it never installs anything.
    UpdateAlert updateAlert;
    QtFeedUpdater updater(updateAlert, mainQueue, clock, log,
                          {constants::kAppcastURL, VANTREL_VERSION});

    // Restores started by a shortcut or trigger report here, without taking the focus.
    DBusNotifier notifier(log);

    {
        AppDelegate delegate(AppPlatform{windowSystem, backend->hotkeys(), defaults, loginItem,
                                         mainQueue, clock, executor, log, folders.dataHome,
                                         &updater.updater(), &notifier});
        MessageBoxPresenter dialogs;
        UiContext context = makeUiContext(delegate, mainQueue, clock, executor, dialogs);
        // What a layout's editor offers as trigger applications.
        context.runningApps = [&windowSystem] { return runningAppChoices(windowSystem); };
        context.installedApps = installedAppChoices;
        context.session = uiSession(session);
        UiShell shell(delegate, std::move(context));
        shell.installLaunchHooks();
        instance.onActivate = [&shell] {
            if (auto* controller = shell.statusBarController()) controller->showPopover();
        };
        instance.onQuit = [] { QCoreApplication::exit(0); };  // quit() can be refused by a window

        QObject::connect(&application, &QCoreApplication::aboutToQuit,
                         [&delegate] { delegate.applicationWillTerminate(); });
        // Scripts and `vantrel COMMAND` reach the commands once the layouts are loaded.
        bus::LayoutBus layoutBus(delegate.commands(), delegate.notifications(),
                                 QDBusConnection::sessionBus());
        mainQueue.post([&delegate, &layoutBus, &log] {
            delegate.applicationDidFinishLaunching();
            if (const auto problem = layoutBus.publish())
                log.line("LayoutBus: Not on the session bus: " + *problem);
        });
        const int status = QApplication::exec();
        // A restore still running was told to stop at its next window (will terminate): it ends
        // before the services it uses go away.
        executor.waitIdle();
        return status;
    }
}
