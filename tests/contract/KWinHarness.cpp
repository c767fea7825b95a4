// The contract's KWin desktop: the headless KWin that with-kwin.sh runs, Qt Wayland test-client
// windows, KWin's own D-Bus (getWindowInfo) as the independent reader and a one-off KWin script
// of the harness's own to put new windows where the test wants them.
#include <QCoreApplication>
#include <QVariantMap>
#include <vector>

#include "DesktopHarness.h"
#include "KWinCalls.h"
#include "TestProcess.h"
#include "base/Log.h"
#include "base/ManualLoop.h"
#include "platform/kwin/KWinDesktop.h"
#include "platform/kwin/KWinScript.h"

namespace vantrel::testing {
namespace {

class KWinHarness final : public DesktopHarness {
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

    std::string setUpError() const override { return error_; }
    native::NativeDesktop& desktop() override { return desktop_; }
    native::WindowId idOf(WindowHandle handle) override { return windows_.at(handle).id; }

    WindowHandle open(const std::string& app, const std::string& title, Rect frame) override {
        auto process = TestProcess::spawn(
            {VANTREL_WAYLAND_TESTCLIENT, "--app-id", app, "--title", title, "--size", "200x150"});
        if (!process || process->readLine(std::chrono::seconds{30}) != "mapped")
            return windows_.size();  // out of range: the test fails on first use
        native::WindowId id = 0;
        settle([&] {
            for (const auto& w : desktop_.snapshot()->windows)
                if (w.title == title) id = w.id;
            return id != 0;
        });
        const auto n = [](double v) { return std::to_string(v); };
        runKWinScript(
            "workspace.clientList().forEach(function (w) {\n"
            "  if (w.internalId == '" +
            desktop_.uuidOf(id) +
            "')\n"
            "    w.frameGeometry = {x: " +
            n(frame.x) + ", y: " + n(frame.y) + ", width: " + n(frame.width) +
            ", height: " + n(frame.height) +
            "};\n"
            "});\n");
        windows_.push_back({std::move(*process), id});
        // KWin reports to the script after it moved the window: wait for both.
        settle([&] {
            // The snapshot is kept while its window is read.
            const auto snapshot = desktop_.snapshot();
            const native::Window* listed = snapshot->window(id);
            return trueFrame(windows_.size() - 1) == frame && listed != nullptr &&
                   listed->frame == frame;
        });
        return windows_.size() - 1;
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
    bool settle(const std::function<bool()>& condition) override {
        return eventually([&] {
            // Qt D-Bus delivers calls to the bridge only once the application's loop has run.
            QCoreApplication::processEvents();
            loop_.runPending();
            return condition();
        });
    }

  private:
    struct Opened {
        TestProcess process;
        native::WindowId id = 0;
    };
    QVariantMap windowInfo(WindowHandle handle) {
        return kwinWindowInfo(desktop_.uuidOf(windows_.at(handle).id));
    }

    std::string error_;
    MemoryLog log_;
    ManualLoop loop_;
    SystemClock clock_;
    kwin::KWinBridge bridge_{log_};
    kwin::KWinDesktop desktop_{log_, loop_, clock_, bridge_, {.outputNames = kwin::outputNames}};
    std::vector<Opened> windows_;
};

}  // namespace

std::unique_ptr<DesktopHarness> makeHarness() {
    // Qt D-Bus wants an application object; one serves every test of the program.
    static int argc = 1;
    static char name[] = "contract_kwin_tests";
    static char* argv[] = {name, nullptr};
    static QCoreApplication application(argc, argv);
    return std::make_unique<KWinHarness>();
}

}  // namespace vantrel::testing
