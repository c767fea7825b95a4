// vantrel-wayland-testclient: one top-level Qt window for the KWin tests (QT_QPA_PLATFORM=wayland).
// Options: --app-id ID (the Wayland app_id), --title T, --size WxH. Commands on stdin: "quit",
// "title <text>"; it lives on when stdin ends. It prints "mapped" once the compositor shows the
// window, and "close-requested" (then exits) when the compositor asks it to close.
#include <unistd.h>

#include <QApplication>
#include <QCloseEvent>
#include <QSocketNotifier>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <cstdio>
#include <string>

namespace {

void say(const char* what) {
    std::printf("%s\n", what);
    std::fflush(stdout);
}

class Window : public QWidget {
  protected:
    void closeEvent(QCloseEvent* event) override {
        say("close-requested");
        event->accept();
        QCoreApplication::quit();
    }
};

// Says "mapped" after the first exposure: by then the compositor configured the surface, and the
// zero timer lets the first frame be painted and committed before the test hears of it.
class MappedWatch : public QObject {
  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Expose && !said_ &&
            static_cast<QWindow*>(watched)->isExposed()) {
            said_ = true;
            QTimer::singleShot(0, [] { say("mapped"); });
        }
        return false;
    }

  private:
    bool said_ = false;
};

// Reads the commands on stdin; false on "quit".
bool onLine(QWidget& window, const std::string& line) {
    if (line == "quit") return false;
    if (line.rfind("title ", 0) == 0) window.setWindowTitle(QString::fromStdString(line.substr(6)));
    return true;
}

struct Options {
    QString appId = QStringLiteral("vantrel-wayland-testclient");
    QString title = QStringLiteral("Test window");
    int width = 400, height = 300;
};

bool parseArgs(int argc, char** argv, Options& o) {
    for (int i = 1; i < argc; i += 2) {
        if (i + 1 >= argc) return false;
        const std::string key = argv[i];
        if (key == "--app-id")
            o.appId = QString::fromLocal8Bit(argv[i + 1]);
        else if (key == "--title")
            o.title = QString::fromLocal8Bit(argv[i + 1]);
        else if (key != "--size" || std::sscanf(argv[i + 1], "%dx%d", &o.width, &o.height) != 2)
            return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    Options o;
    if (!parseArgs(argc, argv, o)) {
        std::fputs("vantrel-wayland-testclient: bad arguments (see WaylandTestClient.cpp)\n",
                   stderr);
        return 2;
    }
    QApplication application(argc, argv);
    QGuiApplication::setDesktopFileName(o.appId);  // Qt sends it as the toplevel's app_id
    Window window;
    window.setWindowTitle(o.title);
    window.resize(o.width, o.height);
    MappedWatch watch;
    window.winId();  // creates the QWindow to watch before it is shown
    window.windowHandle()->installEventFilter(&watch);
    window.show();

    std::string input;
    QSocketNotifier commands(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&commands, &QSocketNotifier::activated, [&] {
        char buffer[256];
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n <= 0) {
            commands.setEnabled(false);  // it ends with the compositor or a close request
            return;
        }
        input.append(buffer, static_cast<std::size_t>(n));
        for (std::size_t end; (end = input.find('\n')) != std::string::npos;) {
            const std::string line = input.substr(0, end);
            input.erase(0, end + 1);
            if (!onLine(window, line)) QCoreApplication::quit();
        }
    });
    return QApplication::exec();
}
