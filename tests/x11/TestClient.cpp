// vantrel-x11-testclient: one top-level window. Options: --title T, --instance I, --class C,
// --pid N (its _NET_WM_PID), --geometry WxH+X+Y, --refuse-close (says no to the first close
// request), --fixed-size, --dock-top N (a dock reserving N rows at the top, over its own width);
// or --selection-owner NAME alone: prints the selection's owner and exits, 1 when nobody has it.
// Commands on stdin: "quit", "title <text>", "pin" (from now on it moves itself back to where it
// is whenever it is moved), "grab KEYSYM MODIFIERS" (in hex: takes that key on the root window
// for as long as it runs, and says "grabbed" or "refused"); it lives on when stdin ends. It prints
// "window 0x<id>" once mapped and "close-requested" (then exits) or "close-refused" when the
// window manager asks it to close.
#include <poll.h>
#include <unistd.h>
#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace {

struct Options {
    std::string title = "Test window";
    std::string instance = "testclient";
    std::string className = "TestClient";
    long pid = -1;  // -1: no _NET_WM_PID
    int x = 100, y = 100, width = 400, height = 300;
    bool refuseFirstClose = false;
    bool fixedSize = false;
    int dockTop = 0;
    std::string selectionOwner;
};

xcb_atom_t atom(xcb_connection_t* c, const char* name) {
    auto* reply = xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 0, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr);
    const xcb_atom_t result = reply != nullptr ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
    std::free(reply);
    return result;
}

void setText(xcb_connection_t* c, xcb_window_t w, xcb_atom_t property, xcb_atom_t type,
             const std::string& text) {
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, property, type, 8,
                        static_cast<std::uint32_t>(text.size()), text.data());
}

void setCardinals(xcb_connection_t* c, xcb_window_t w, xcb_atom_t property, xcb_atom_t type,
                  const std::vector<std::uint32_t>& values) {
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, property, type, 32,
                        static_cast<std::uint32_t>(values.size()), values.data());
}

bool parseArgs(int argc, char** argv, Options& o) {
    const std::map<std::string, std::string*> texts{{"--title", &o.title},
                                                    {"--instance", &o.instance},
                                                    {"--class", &o.className},
                                                    {"--selection-owner", &o.selectionOwner}};
    for (int i = 1; i < argc; ++i) {
        const std::string key = argv[i];
        if (key == "--refuse-close" || key == "--fixed-size") {
            (key == "--fixed-size" ? o.fixedSize : o.refuseFirstClose) = true;
            continue;
        }
        if (i + 1 >= argc) return false;
        const std::string value = argv[++i];
        if (const auto text = texts.find(key); text != texts.end())
            *text->second = value;
        else if (key == "--pid")
            o.pid = std::stol(value);
        else if (key == "--dock-top")
            o.dockTop = std::stoi(value);
        else if (key != "--geometry" ||
                 std::sscanf(value.c_str(), "%dx%d+%d+%d", &o.width, &o.height, &o.x, &o.y) != 4)
            return false;
    }
    return true;
}

// Creates the window with its title, class, protocols, size hints, pid and dock struts.
xcb_window_t createWindow(xcb_connection_t* c, const xcb_screen_t* screen, const Options& o) {
    const xcb_window_t w = xcb_generate_id(c);
    const std::uint32_t values[] = {screen->white_pixel, XCB_EVENT_MASK_STRUCTURE_NOTIFY};
    xcb_create_window(c, XCB_COPY_FROM_PARENT, w, screen->root, static_cast<std::int16_t>(o.x),
                      static_cast<std::int16_t>(o.y), static_cast<std::uint16_t>(o.width),
                      static_cast<std::uint16_t>(o.height), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                      screen->root_visual, XCB_CW_BACK_PIXEL | XCB_CW_EVENT_MASK, values);
    setText(c, w, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, o.title);
    setText(c, w, atom(c, "_NET_WM_NAME"), atom(c, "UTF8_STRING"), o.title);
    setText(c, w, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING,
            o.instance + std::string(1, '\0') + o.className + std::string(1, '\0'));
    setCardinals(c, w, atom(c, "WM_PROTOCOLS"), XCB_ATOM_ATOM, {atom(c, "WM_DELETE_WINDOW")});
    // USPosition and USSize: the window manager honours the given geometry.
    std::vector<std::uint32_t> hints(18, 0);
    hints[0] = 1 | 2 | 4 | 8;
    hints[1] = static_cast<std::uint32_t>(o.x);
    hints[2] = static_cast<std::uint32_t>(o.y);
    hints[3] = static_cast<std::uint32_t>(o.width);
    hints[4] = static_cast<std::uint32_t>(o.height);
    if (o.fixedSize) {
        // PMinSize and PMaxSize at the given size: the window manager lets nobody resize it.
        hints[0] |= 16 | 32;
        hints[5] = hints[7] = static_cast<std::uint32_t>(o.width);
        hints[6] = hints[8] = static_cast<std::uint32_t>(o.height);
    }
    setCardinals(c, w, XCB_ATOM_WM_NORMAL_HINTS, XCB_ATOM_WM_SIZE_HINTS, hints);
    if (o.pid >= 0)
        setCardinals(c, w, atom(c, "_NET_WM_PID"), XCB_ATOM_CARDINAL,
                     {static_cast<std::uint32_t>(o.pid)});
    if (o.dockTop > 0) {
        setCardinals(c, w, atom(c, "_NET_WM_WINDOW_TYPE"), XCB_ATOM_ATOM,
                     {atom(c, "_NET_WM_WINDOW_TYPE_DOCK")});
        setCardinals(
            c, w, atom(c, "_NET_WM_STRUT_PARTIAL"), XCB_ATOM_CARDINAL,
            {0, 0, static_cast<std::uint32_t>(o.dockTop), 0, 0, 0, 0, 0,
             static_cast<std::uint32_t>(o.x), static_cast<std::uint32_t>(o.x + o.width - 1), 0, 0});
    }
    return w;
}

// The mapped window and what it was told so far.
struct Client {
    xcb_connection_t* c;
    const xcb_screen_t* screen;
    xcb_window_t w;
    bool refuseFirstClose;
    xcb_atom_t protocols = atom(c, "WM_PROTOCOLS");
    xcb_atom_t deleteWindow = atom(c, "WM_DELETE_WINDOW");
    std::optional<std::pair<int, int>> pinned{};
    bool refused = false;

    std::pair<int, int> whereNow() const {
        auto* at = xcb_translate_coordinates_reply(
            c, xcb_translate_coordinates(c, w, screen->root, 0, 0), nullptr);
        const std::pair<int, int> point{at != nullptr ? at->dst_x : 0,
                                        at != nullptr ? at->dst_y : 0};
        std::free(at);
        return point;
    }

    // Static gravity, position only: where its own area was.
    void moveBack() const {
        const xcb_client_message_event_t back{
            XCB_CLIENT_MESSAGE,
            32,
            0,
            w,
            atom(c, "_NET_MOVERESIZE_WINDOW"),
            {.data32 = {10 | (1 << 8) | (1 << 9) | (1 << 12),
                        static_cast<std::uint32_t>(pinned->first),
                        static_cast<std::uint32_t>(pinned->second), 0, 0}}};
        xcb_send_event(c, 0, screen->root,
                       XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                       reinterpret_cast<const char*>(&back));
        xcb_flush(c);
    }

    // False once the window manager asked it to close and it agreed.
    bool onEvent(const xcb_generic_event_t* event) {
        const auto type = event->response_type & 0x7F;
        if (type == XCB_CONFIGURE_NOTIFY && pinned && whereNow() != *pinned) moveBack();
        if (type != XCB_CLIENT_MESSAGE) return true;
        const auto* message = reinterpret_cast<const xcb_client_message_event_t*>(event);
        if (message->type != protocols || message->data.data32[0] != deleteWindow) return true;
        if (refuseFirstClose && !refused) {
            refused = true;  // a "save changes?" prompt the user dismissed
            say("close-refused");
            return true;
        }
        say("close-requested");
        return false;
    }

    // False when another client holds the key.
    bool grab(xcb_keysym_t keysym, std::uint16_t modifiers) const {
        xcb_key_symbols_t* symbols = xcb_key_symbols_alloc(c);
        xcb_keycode_t* codes = xcb_key_symbols_get_keycode(symbols, keysym);
        const xcb_keycode_t code = codes != nullptr ? codes[0] : xcb_keycode_t{0};
        std::free(codes);
        xcb_key_symbols_free(symbols);
        xcb_generic_error_t* error =
            xcb_request_check(c, xcb_grab_key_checked(c, 1, screen->root, modifiers, code,
                                                      XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
        std::free(error);
        return code != 0 && error == nullptr;
    }

    // False on "quit".
    bool onLine(const std::string& line) {
        if (line == "quit") return false;
        unsigned keysym = 0, modifiers = 0;
        if (std::sscanf(line.c_str(), "grab %x %x", &keysym, &modifiers) == 2)
            say(grab(keysym, static_cast<std::uint16_t>(modifiers)) ? "grabbed" : "refused");
        if (line == "pin") {
            pinned = whereNow();
            say("pinned");
        }
        if (line.rfind("title ", 0) == 0) {
            setText(c, w, atom(c, "_NET_WM_NAME"), atom(c, "UTF8_STRING"), line.substr(6));
            xcb_flush(c);
        }
        return true;
    }

    static void say(const char* what) {
        std::printf("%s\n", what);
        std::fflush(stdout);
    }
};

// Prints the window that owns the selection `name`; 1 when nobody does.
int printSelectionOwner(xcb_connection_t* c, const std::string& name) {
    auto* owner = xcb_get_selection_owner_reply(
        c, xcb_get_selection_owner(c, atom(c, name.c_str())), nullptr);
    const xcb_window_t window = owner != nullptr ? owner->owner : xcb_window_t{XCB_WINDOW_NONE};
    std::free(owner);
    if (window == XCB_WINDOW_NONE) return 1;
    std::printf("0x%x\n", window);
    return 0;
}

// Serves the window's events and the commands on stdin; the exit status.
int run(Client& client) {
    xcb_connection_t* c = client.c;
    bool commands = true;  // launched from a desktop entry, stdin may be closed or /dev/null
    std::string input;
    while (true) {
        pollfd fds[2] = {{xcb_get_file_descriptor(c), POLLIN, 0}, {0, POLLIN, 0}};
        if (::poll(fds, commands ? 2 : 1, -1) < 0) continue;
        while (xcb_generic_event_t* event = xcb_poll_for_event(c)) {
            const bool goOn = client.onEvent(event);
            std::free(event);
            if (!goOn) return 0;
        }
        if (xcb_connection_has_error(c) != 0) return 1;
        if (!commands || (fds[1].revents & (POLLIN | POLLHUP)) == 0) continue;
        char buffer[256];
        const ssize_t n = ::read(0, buffer, sizeof buffer);
        if (n <= 0) {
            commands = false;  // it ends with the X server or a close request
            continue;
        }
        input.append(buffer, static_cast<std::size_t>(n));
        std::size_t end;
        while ((end = input.find('\n')) != std::string::npos) {
            const std::string line = input.substr(0, end);
            input.erase(0, end + 1);
            if (!client.onLine(line)) return 0;
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    Options o;
    if (!parseArgs(argc, argv, o)) {
        std::fputs("vantrel-x11-testclient: bad arguments (see TestClient.cpp)\n", stderr);
        return 2;
    }
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c) != 0) return 1;
    if (!o.selectionOwner.empty()) return printSelectionOwner(c, o.selectionOwner);
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    const xcb_window_t w = createWindow(c, screen, o);
    xcb_map_window(c, w);
    xcb_flush(c);
    std::printf("window 0x%x\n", w);
    std::fflush(stdout);
    Client client{c, screen, w, o.refuseFirstClose};
    const int status = run(client);
    xcb_disconnect(c);
    return status;
}
