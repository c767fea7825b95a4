// Starting and stopping the private X server and window manager; reading back with X tools.
#include "XSession.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <regex>

#ifndef VANTREL_X11_TESTCLIENT
#error "VANTREL_X11_TESTCLIENT must name the test client"
#endif

namespace vantrel::testing {
namespace {

bool windowManagerRuns(const std::string& display) {
    xcb_connection_t* c = xcb_connect(display.c_str(), nullptr);
    bool runs = false;
    if (xcb_connection_has_error(c) == 0) {
        const char* name = "_NET_SUPPORTING_WM_CHECK";
        auto* atom = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, 24, name), nullptr);
        xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
        if (atom != nullptr) {
            auto* reply = xcb_get_property_reply(
                c, xcb_get_property(c, 0, screen->root, atom->atom, XCB_ATOM_WINDOW, 0, 1),
                nullptr);
            runs = reply != nullptr && xcb_get_property_value_length(reply) == 4;
            std::free(reply);
        }
        std::free(atom);
    }
    xcb_disconnect(c);
    return runs;
}

int number(const std::string& text, const std::string& label) {
    const auto at = text.find(label);
    if (at == std::string::npos) return 0;
    return std::atoi(text.c_str() + at + label.size());
}

}  // namespace

std::unique_ptr<XSession> XSession::start(const std::string& dataDir, std::string& error) {
    // A server or window manager that fails to come up under load gets a fresh start: the
    // suite should fail on what it tests, not on its scaffolding.
    std::string errors;
    for (int attempt = 0; attempt < 3; ++attempt) {
        std::string reason;
        if (auto session = startOnce(dataDir, reason)) return session;
        errors += (errors.empty() ? "" : "; ") + reason;
    }
    error = errors;
    return nullptr;
}

std::unique_ptr<XSession> XSession::startOnce(const std::string& dataDir, std::string& error) {
    ::signal(SIGPIPE, SIG_IGN);  // a client that exits must not take the test with it
    std::unique_ptr<XSession> session(new XSession);
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        error = "pipe failed";
        return nullptr;
    }
    // -displayfd: the server picks a free display and writes its number to the pipe.
    auto server = TestProcess::spawn({"/usr/bin/Xvfb", "-displayfd", std::to_string(fds[1]),
                                      "-screen", "0", "2560x1440x24", "-nolisten", "tcp"},
                                     {fds[1]});
    ::close(fds[1]);
    if (!server) {
        ::close(fds[0]);
        error = "cannot start Xvfb";
        return nullptr;
    }
    session->server_ = std::move(*server);
    std::string digits;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds{15};
    char ch = 0;
    while (std::chrono::steady_clock::now() < deadline && ::read(fds[0], &ch, 1) == 1 && ch != '\n')
        digits.push_back(ch);
    ::close(fds[0]);
    if (digits.empty()) {
        error = "Xvfb reported no display";
        return nullptr;
    }
    session->display_ = ":" + digits;
    ::setenv("DISPLAY", session->display_.c_str(), 1);
    // openbox now and then exits at once when several sessions start together: try again.
    // The window manager finds its themes in the system's data folders.
    ::unsetenv("XDG_DATA_DIRS");
    ::unsetenv("XDG_DATA_HOME");
    bool runs = false;
    for (int attempt = 0; attempt < 5 && !runs; ++attempt) {
        auto wm = TestProcess::spawn({"/usr/bin/openbox"});
        if (!wm) break;
        session->windowManager_ = std::move(*wm);
        runs = eventually(
                   [&] {
                       return windowManagerRuns(session->display_) ||
                              session->windowManager_.waitForExit(std::chrono::milliseconds{0});
                   },
                   std::chrono::milliseconds{15000}) &&
               windowManagerRuns(session->display_);
    }
    if (!runs) {
        error = "openbox did not come up on " + session->display_;
        return nullptr;
    }
    // The tests see only their own desktop entries.
    ::setenv("XDG_DATA_DIRS", dataDir.c_str(), 1);
    ::setenv("XDG_DATA_HOME", (dataDir + "/home").c_str(), 1);
    // The manager announces itself before it is ready, and a window mapped while it starts
    // may stay unmanaged: open probe windows until one is managed.
    bool managed = false;
    for (int attempt = 0; attempt < 10 && !managed; ++attempt) {
        auto probe = session->openWindow({"--title", "probe", "--class", "VantrelProbe"});
        if (!probe) break;
        managed = eventually(
            [&] {
                return run("xprop -root _NET_CLIENT_LIST").find(hex(probe->window)) !=
                       std::string::npos;
            },
            std::chrono::milliseconds{1000});
        probe->process.writeLine("quit");
        probe->process.waitForExit(std::chrono::milliseconds{3000});
    }
    if (!managed || !eventually([&] {
            return run("xprop -root _NET_CLIENT_LIST").find("0x") == std::string::npos;
        })) {
        error = "openbox manages no windows";
        return nullptr;
    }
    return session;
}

XSession::~XSession() {
    windowManager_.stop();
    server_.stop();
}

std::optional<TestWindow> XSession::openWindow(const std::vector<std::string>& args) {
    std::vector<std::string> argv{VANTREL_X11_TESTCLIENT};
    argv.insert(argv.end(), args.begin(), args.end());
    auto process = TestProcess::spawn(argv);
    if (!process) return std::nullopt;
    const auto line = process->readLine(std::chrono::milliseconds{5000});
    if (!line || line->rfind("window ", 0) != 0) return std::nullopt;
    TestWindow window;
    window.window = static_cast<xcb_window_t>(std::strtoul(line->c_str() + 7, nullptr, 16));
    window.process = std::move(*process);
    return window;
}

std::string XSession::run(const std::string& command) {
    std::string output;
    FILE* pipe = ::popen((command + " 2>/dev/null").c_str(), "r");
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
    const std::string info = run("xwininfo -id " + hex(window));
    g.clientX = number(info, "Absolute upper-left X:");
    g.clientY = number(info, "Absolute upper-left Y:");
    g.width = number(info, "Width:");
    g.height = number(info, "Height:");
    g.viewable = info.find("IsViewable") != std::string::npos;
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
