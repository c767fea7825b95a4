// vantrel-wayland-testclient: one top-level Qt window for the KWin tests (QT_QPA_PLATFORM=wayland).
// Options: --app-id ID (the Wayland app_id), --title T, --size WxH. It prints "mapped" once the
// compositor shows the window, and exits when the compositor closes it.
#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <cstdio>
#include <string>

namespace {

// Says "mapped" after the first exposure: by then the compositor configured the surface, and the
// zero timer lets the first frame be painted and committed before the test hears of it.
class MappedWatch : public QObject {
  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Expose && !said_ &&
            static_cast<QWindow*>(watched)->isExposed()) {
            said_ = true;
            QTimer::singleShot(0, [] {
                std::puts("mapped");
                std::fflush(stdout);
            });
        }
        return false;
    }

  private:
    bool said_ = false;
};

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
    QWidget window;
    window.setWindowTitle(o.title);
    window.resize(o.width, o.height);
    MappedWatch watch;
    window.winId();  // creates the QWindow to watch before it is shown
    window.windowHandle()->installEventFilter(&watch);
    window.show();
    return QApplication::exec();
}
