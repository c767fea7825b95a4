// Starting and stopping the private X server and a window manager; reading back with X tools.
#include "XSession.h"

#include <signal.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>

#ifndef VANTREL_X11_TESTCLIENT
#error "VANTREL_X11_TESTCLIENT must name the test client"
#endif

namespace vantrel::testing {
namespace {

using Deadline = std::chrono::steady_clock::time_point;

std::chrono::milliseconds left(Deadline deadline) {
    return std::max(std::chrono::milliseconds{0},
                    std::chrono::duration_cast<std::chrono::milliseconds>(
                        deadline - std::chrono::steady_clock::now()));
}

int number(const std::string& text, const std::string& label) {
    const auto at = text.find(label);
    return at == std::string::npos ? 0 : std::atoi(text.c_str() + at + label.size());
}

// The command line that runs the window manager `name` in the foreground.
std::string windowManagerCommand(const std::string& name, const std::string& home) {
    // These keep their settings behind a session bus (xfconf, GSettings, KConfig daemons).
    const std::string bus = "dbus-run-session ";
    if (name == "xfwm4") return bus + "xfwm4 --compositor=off --sm-client-disable";
    if (name == "metacity" || name == "marco") return bus + name + " --replace --no-composite";
    if (name == "mutter") return bus + "mutter --x11 --replace --sm-disable";
    if (name == "muffin") return bus + "muffin --replace --sm-disable";
    if (name == "kwin") return bus + "kwin_x11 --replace";
    if (name == "i3") {
        // No bar, no wizard: the tests see only their own windows.
        std::ofstream(home + "/i3.config") << "font pango:monospace 8\n";
        return "i3 -c " + home + "/i3.config";
    }
    if (name == "fluxbox") {
        // Its wallpaper setter reports a failure in a window of its own under Xvfb.
        std::filesystem::create_directories(home + "/.fluxbox");
        std::ofstream(home + "/.fluxbox/overlay") << "background: none\n";
    }
    return name;  // openbox, fluxbox, icewm, awesome
}

}  // namespace

std::string XSession::windowManagerName() {
    const char* name = std::getenv("VANTREL_TEST_WM");
    return name != nullptr && *name != '\0' ? name : "openbox";
}

std::unique_ptr<XSession> XSession::start(const std::string& dataDir, std::string& error) {
    if (dataDir.empty()) {
        char pattern[] = "/tmp/vantrel-x11-XXXXXX";
        if (::mkdtemp(pattern) == nullptr) {
            error = "mkdtemp failed";
            return nullptr;
        }
        auto session = start(pattern, error);
        if (session)
            session->scratch_ = pattern;
        else
            std::filesystem::remove_all(pattern);
        return session;
    }
    std::filesystem::create_directories(dataDir + "/applications");
    // Under load a server or window manager may take long, or die while starting: start again
    // until one deadline, generous enough for a loaded CI machine; the suite should fail on what
    // it tests, not on its scaffolding.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds{90};
    std::string reasons;
    while (std::chrono::steady_clock::now() < deadline) {
        std::string reason;
        if (auto session = startOnce(dataDir, deadline, reason)) return session;
        if (reasons.find(reason) == std::string::npos)
            reasons += (reasons.empty() ? "" : "; ") + reason;
    }
    error = reasons.empty() ? "no time left to start the X session" : reasons;
    return nullptr;
}

std::unique_ptr<XSession> XSession::startOnce(const std::string& dataDir, Deadline deadline,
                                              std::string& error) {
    ::signal(SIGPIPE, SIG_IGN);  // a client that exits must not take the test with it
    std::unique_ptr<XSession> session(new XSession);
    session->dataDir_ = dataDir;
    // Xvfb on a free display: -displayfd makes it write the number once it accepts clients.
    auto server = TestProcess::spawn(
        {"/usr/bin/Xvfb", "-displayfd", "1", "-screen", "0", "2560x1440x24", "-nolisten", "tcp"});
    const auto number = server ? server->readLine(left(deadline)) : std::nullopt;
    if (!number || number->empty()) {
        error = "Xvfb reported no display";
        return nullptr;
    }
    session->server_ = std::move(*server);
    session->display_ = ":" + *number;
    ::setenv("DISPLAY", session->display_.c_str(), 1);
    // The window manager finds its themes in the system's data folders, and keeps its own
    // settings in a private home.
    ::unsetenv("XDG_DATA_DIRS");
    ::unsetenv("XDG_DATA_HOME");
    const std::string name = windowManagerName();
    const std::string home = dataDir + "/wm-home";
    std::filesystem::create_directories(home);
    const std::string command = "HOME='" + home + "' XDG_CONFIG_HOME='" + home + "/.config' exec " +
                                windowManagerCommand(name, home) + " >>'" + dataDir +
                                "/wm.log' 2>&1";
    TestProcess& wm = session->windowManager_;
    const auto wmEnded = [&] { return wm.waitForExit(std::chrono::milliseconds{0}); };
    const auto wmRuns = [] {
        return run("xprop -root _NET_SUPPORTING_WM_CHECK").find("window id") != std::string::npos;
    };
    // A window manager that dies while starting (they do, when many sessions start together):
    // start() tries a new session. One that runs must also manage a window.
    if (auto spawned = TestProcess::spawn({"/bin/sh", "-c", command})) wm = std::move(*spawned);
    if (!eventually([&] { return wmRuns() || wmEnded(); }, left(deadline)) || wmEnded()) {
        error = name + " did not come up on " + session->display_;
        return nullptr;
    }
    // The tests see only their own desktop entries.
    ::setenv("XDG_DATA_DIRS", dataDir.c_str(), 1);
    ::setenv("XDG_DATA_HOME", (dataDir + "/home").c_str(), 1);
    // The manager announces itself before it is ready, and a window mapped while it starts
    // may stay unmanaged: open probe windows until one is managed.
    const auto clients = [] { return run("xprop -root _NET_CLIENT_LIST"); };
    bool managed = false;
    while (!managed && left(deadline).count() > 0 && !wmEnded()) {
        auto probe = session->openWindow({"--title", "probe", "--class", "VantrelProbe"});
        if (!probe) break;
        managed =
            eventually([&] { return clients().find(hex(probe->window)) != std::string::npos; },
                       std::min(left(deadline), std::chrono::milliseconds{5000}));
        probe->process.writeLine("quit");
        probe->process.waitForExit(std::chrono::milliseconds{3000});
    }
    if (!managed ||
        !eventually([&] { return clients().find("0x") == std::string::npos; }, left(deadline))) {
        error = name + " manages no windows on " + session->display_;
        return nullptr;
    }
    return session;
}

XSession::~XSession() {
    windowManager_.stop();
    server_.stop();
    if (!scratch_.empty()) std::filesystem::remove_all(scratch_);
}

std::optional<TestWindow> XSession::openWindow(const std::vector<std::string>& args) {
    std::vector<std::string> argv{VANTREL_X11_TESTCLIENT};
    argv.insert(argv.end(), args.begin(), args.end());
    auto process = TestProcess::spawn(argv);
    if (!process) return std::nullopt;
    const auto line = process->readLine(std::chrono::milliseconds{5000});
    if (!line || line->rfind("window ", 0) != 0) return std::nullopt;
    return TestWindow{std::move(*process),
                      static_cast<xcb_window_t>(std::strtoul(line->c_str() + 7, nullptr, 16))};
}

std::string XSession::run(const std::string& command) {
    std::string output;
    // A server that never answers a new connection (seen under load) must fail the probe, not
    // hang the suite.
    FILE* pipe = ::popen(("timeout -k 5 30 " + command + " 2>/dev/null").c_str(), "r");
    if (pipe == nullptr) return output;
    std::array<char, 512> chunk{};
    while (std::fgets(chunk.data(), static_cast<int>(chunk.size()), pipe) != nullptr)
        output += chunk.data();
    ::pclose(pipe);
    return output;
}

std::string XSession::hex(xcb_window_t window) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%x", window);
    return text;
}

ToolGeometry XSession::geometry(xcb_window_t window) const {
    ToolGeometry g;
    if (window == XCB_WINDOW_NONE) return g;  // xwininfo would wait for a click
    const std::string info = run("xwininfo -id " + hex(window));
    g.clientX = number(info, "Absolute upper-left X:");
    g.clientY = number(info, "Absolute upper-left Y:");
    g.width = number(info, "Width:");
    g.height = number(info, "Height:");
    g.border = number(info, "Border width:");
    const std::string extents = run("xprop -id " + hex(window) + " _NET_FRAME_EXTENTS");
    std::smatch m;
    if (std::regex_search(extents, m, std::regex(R"((\d+), (\d+), (\d+), (\d+))"))) {
        g.left = std::stoi(m[1]);
        g.right = std::stoi(m[2]);
        g.top = std::stoi(m[3]);
        g.bottom = std::stoi(m[4]);
    }
    return g;
}

std::string XSession::states(xcb_window_t window) const {
    return run("xprop -id " + hex(window) + " _NET_WM_STATE");
}

}  // namespace vantrel::testing

// GLib is not built with ThreadSanitizer: the worker threads of GLib, GIO and GObject (started when
// GIO launches a desktop entry) look like races in sanitizer builds.
extern "C" const char* __tsan_default_suppressions() {
    return "race:libglib-2.0.so.0\nrace:libgio-2.0.so.0\nrace:libgobject-2.0.so.0\n";
}
