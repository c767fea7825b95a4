// What the Wayland contract desktops share: Qt Wayland test-client windows, each put where the
// test wants it by the compositor's own means, and a settle that lets Qt D-Bus deliver.
#pragma once

#include <QCoreApplication>
#include <vector>

#include "DesktopHarness.h"
#include "TestProcess.h"
#include "base/Log.h"
#include "base/ManualLoop.h"

namespace vantrel::testing {

class WaylandHarness : public DesktopHarness {
  public:
    // Qt D-Bus wants an application object; one serves every test of the program.
    static void makeApplication() {
        static int argc = 1;
        static char name[] = "contract_tests";
        static char* argv[] = {name, nullptr};
        static QCoreApplication application(argc, argv);
    }

    native::WindowId idOf(WindowHandle handle) override { return windows_.at(handle).id; }

    WindowHandle open(const std::string& app, const std::string& title, Rect frame) override {
        auto process = TestProcess::spawn(
            {VANTREL_WAYLAND_TESTCLIENT, "--app-id", app, "--title", title, "--size", "200x150"});
        if (!process || process->readLine(kDeadline) != "mapped")
            return windows_.size();  // out of range: the test fails on first use
        native::WindowId id = 0;
        settle([&] {
            for (const auto& w : desktop().snapshot()->windows)
                if (w.title == title) id = w.id;
            return id != 0;
        });
        windows_.push_back({std::move(*process), id});
        const WindowHandle handle = windows_.size() - 1;
        place(handle, frame);
        // The compositor shows the new frame once the client drew it, then the backend hears it.
        settle([&] {
            // The snapshot is kept while its window is read.
            const auto snapshot = desktop().snapshot();
            const native::Window* listed = snapshot->window(id);
            return trueFrame(handle) == frame && listed != nullptr && listed->frame == frame;
        });
        return handle;
    }

    bool settle(const std::function<bool()>& condition) override {
        return eventually(
            [&] {
                // Qt D-Bus delivers calls and signals only once the application's loop has run.
                QCoreApplication::processEvents();
                loop_.runPending();
                return condition();
            },
            kDeadline);
    }

  protected:
    static constexpr std::chrono::seconds kDeadline{60};

    // Moves the window by the compositor's own means, none of the backend's code.
    virtual void place(WindowHandle handle, Rect frame) = 0;

    struct Opened {
        TestProcess process;
        native::WindowId id = 0;
    };
    MemoryLog log_;
    ManualLoop loop_;
    SystemClock clock_;
    std::vector<Opened> windows_;
};

}  // namespace vantrel::testing
