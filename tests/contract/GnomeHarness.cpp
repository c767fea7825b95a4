// The contract's GNOME desktop: the headless GNOME Shell that with-gnome-shell.sh runs with the
// extension, Qt Wayland test-client windows, and the extension's ListWindows read raw (Qt D-Bus
// and QJsonDocument, none of the backend's code) as the independent reader; a raw MoveResize
// puts each new window where the test wants it.
#include <QDBusConnection>
#include <QDBusMessage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "WaylandHarness.h"
#include "platform/gnome/GnomeDesktop.h"
#include "platform/gnome/GnomeShell.h"

namespace vantrel::testing {
namespace {

QDBusMessage callShell(const char* method, const QVariantList& arguments = {}) {
    auto message = QDBusMessage::createMethodCall(
        QStringLiteral("app.vantrel.Shell"), QStringLiteral("/app/vantrel/Shell"),
        QStringLiteral("app.vantrel.Shell1"), QString::fromLatin1(method));
    message.setArguments(arguments);
    // The connection the backend registered on: the extension answers only its owner.
    return QDBusConnection::sessionBus().call(message, QDBus::Block, 60000);
}

class GnomeHarness final : public WaylandHarness {
  public:
    GnomeHarness() {
        gnome::ShellHandlers handlers;
        handlers.appeared = [this] { desktop_.appeared(); };
        handlers.vanished = [this] { desktop_.vanished(); };
        handlers.windowsChanged = [this] { desktop_.windowsChanged(); };
        handlers.workspaceChanged = [this] { desktop_.windowsChanged(); };
        handlers.monitorsChanged = [this] { desktop_.monitorsChanged(); };
        if (const Status started = shell_.start(std::move(handlers)); !started)
            error_ = started.error().message;
        else if (!settle([&] { return desktop_.ready(); }))
            error_ = "The extension never listed the desktop";
    }
    ~GnomeHarness() override {
        // Each test starts without the last one's windows.
        windows_.clear();
        settle([&] { return desktop_.snapshot()->windows.empty(); });
        shell_.stop();
    }

    native::NativeDesktop& desktop() override { return desktop_; }

    void place(WindowHandle handle, Rect frame) override {
        callShell("MoveResize", {uuid(handle), static_cast<int>(frame.x), static_cast<int>(frame.y),
                                 static_cast<int>(frame.width), static_cast<int>(frame.height)});
    }
    Rect trueFrame(WindowHandle handle) override {
        const QJsonArray f = listed(handle)[QStringLiteral("frame")].toArray();
        if (f.size() != 4) return {};
        return Rect{f[0].toDouble(), f[1].toDouble(), f[2].toDouble(), f[3].toDouble()};
    }
    bool trulyMinimized(WindowHandle handle) override {
        return listed(handle)[QStringLiteral("minimized")].toBool();
    }

  private:
    QVariant uuid(WindowHandle handle) {
        return QVariant::fromValue(
            QString::fromStdString(desktop_.uuidOf(windows_.at(handle).id)).toULongLong());
    }
    // The window as the extension lists it now; empty when it does not.
    QJsonObject listed(WindowHandle handle) {
        const QString id = QString::number(uuid(handle).toULongLong());
        const QDBusMessage reply = callShell("ListWindows");
        const auto all = QJsonDocument::fromJson(reply.arguments().value(0).toString().toUtf8());
        for (const auto w : all[QStringLiteral("windows")].toArray())
            if (w[QStringLiteral("id")].toString() == id) return w.toObject();
        return {};
    }

    gnome::GnomeShell shell_{log_};
    gnome::GnomeDesktop desktop_{log_, loop_, clock_, shell_};
};

}  // namespace

std::unique_ptr<DesktopHarness> makeHarness() {
    WaylandHarness::makeApplication();
    qputenv("QT_QPA_PLATFORM", "wayland");
    return std::make_unique<GnomeHarness>();
}

}  // namespace vantrel::testing
