// The contract's KWin desktop: the headless KWin that with-kwin.sh runs, Qt Wayland test-client
// windows, KWin's own D-Bus (getWindowInfo) as the independent reader and a one-off KWin script
// of the harness's own to put new windows where the test wants them.
#include <QVariantMap>

#include "KWinCalls.h"
#include "WaylandHarness.h"
#include "platform/kwin/KWinDesktop.h"
#include "platform/kwin/KWinScript.h"

namespace vantrel::testing {
namespace {

class KWinHarness final : public WaylandHarness {
  public:
    KWinHarness() {
        QCoreApplication::processEvents();
        if (!bridge_.start()) error_ = "The bridge could not start";
        desktop_.connect();
        if (const Status loaded = kwin::loadScript(VANTREL_KWIN_SCRIPT); !loaded)
            error_ = loaded.error().message;
        else if (!settle([&] { return desktop_.ready(); }))
            error_ = "The KWin script never reported the desktop";
    }
    ~KWinHarness() override {
        windows_.clear();
        kwin::unloadScript();
    }

    native::NativeDesktop& desktop() override { return desktop_; }

    void place(WindowHandle handle, Rect frame) override {
        const auto n = [](double v) { return std::to_string(v); };
        runKWinScript(
            "workspace.clientList().forEach(function (w) {\n"
            "  if (w.internalId == '" +
            desktop_.uuidOf(idOf(handle)) + "')\n    w.frameGeometry = {x: " + n(frame.x) +
            ", y: " + n(frame.y) + ", width: " + n(frame.width) + ", height: " + n(frame.height) +
            "};\n});\n");
    }
    Rect trueFrame(WindowHandle handle) override {
        const QVariantMap info = windowInfo(handle);
        const auto value = [&](const char* key) {
            return info.value(QLatin1String(key)).toDouble();
        };
        return Rect{value("x"), value("y"), value("width"), value("height")};
    }
    bool trulyMinimized(WindowHandle handle) override {
        return windowInfo(handle).value(QStringLiteral("minimized")).toBool();
    }

  private:
    QVariantMap windowInfo(WindowHandle handle) {
        return kwinWindowInfo(desktop_.uuidOf(windows_.at(handle).id));
    }

    kwin::KWinBridge bridge_{log_};
    kwin::KWinDesktop desktop_{log_, loop_, clock_, bridge_, {.outputNames = kwin::outputNames}};
};

}  // namespace

std::unique_ptr<DesktopHarness> makeHarness() {
    WaylandHarness::makeApplication();
    return std::make_unique<KWinHarness>();
}

}  // namespace vantrel::testing
