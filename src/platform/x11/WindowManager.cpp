// Telling which window manager runs and what it supports.
#include "platform/x11/WindowManager.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>

#include "platform/x11/XcbReply.h"

namespace vantrel::x11 {
namespace {

Reply<xcb_get_property_reply_t> property(xcb_connection_t* c, xcb_get_property_cookie_t cookie) {
    xcb_generic_error_t* error = nullptr;
    Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(c, cookie, &error));
    std::free(error);
    return reply;
}

template <typename T>
std::vector<T> valuesOf(const xcb_get_property_reply_t* reply) {
    if (reply == nullptr || reply->format != 8 * sizeof(T)) return {};
    const auto* data = static_cast<const T*>(xcb_get_property_value(reply));
    return {data, data + xcb_get_property_value_length(reply) / static_cast<int>(sizeof(T))};
}

}  // namespace

WindowManager describeWindowManager(std::string name, const std::vector<xcb_atom_t>& supported,
                                    const Atoms& atoms) {
    WindowManager wm;
    wm.movesOnMessage = std::find(supported.begin(), supported.end(),
                                  atoms._NET_MOVERESIZE_WINDOW) != supported.end();
    wm.tiles = name == "i3";
    wm.name = std::move(name);
    return wm;
}

WindowManager readWindowManager(xcb_connection_t* c, xcb_window_t root, const Atoms& atoms) {
    const auto checkCookie =
        xcb_get_property(c, 0, root, atoms._NET_SUPPORTING_WM_CHECK, XCB_ATOM_WINDOW, 0, 1);
    const auto supportedCookie =
        xcb_get_property(c, 0, root, atoms._NET_SUPPORTED, XCB_ATOM_ATOM, 0, 4096);
    const auto check = valuesOf<xcb_window_t>(property(c, checkCookie).get());
    const auto supported = valuesOf<xcb_atom_t>(property(c, supportedCookie).get());
    std::string name;
    if (!check.empty()) {
        const auto named = property(
            c, xcb_get_property(c, 0, check[0], atoms._NET_WM_NAME, atoms.UTF8_STRING, 0, 256));
        const auto text = valuesOf<char>(named.get());
        name.assign(text.begin(), std::find(text.begin(), text.end(), '\0'));
    }
    return describeWindowManager(std::move(name), supported, atoms);
}

std::vector<std::vector<double>> unlistedDockStruts(xcb_connection_t* c, xcb_window_t root,
                                                    const Atoms& atoms) {
    // i3 keeps its bar and other docks out of the client list, each inside a frame of its own
    // just below the root: look one level down.
    const auto childrenOf = [&](const std::vector<xcb_window_t>& parents) {
        std::vector<xcb_query_tree_cookie_t> cookies;
        for (auto parent : parents) cookies.push_back(xcb_query_tree(c, parent));
        std::vector<xcb_window_t> children;
        for (auto cookie : cookies) {
            xcb_generic_error_t* error = nullptr;
            Reply<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(c, cookie, &error));
            std::free(error);
            if (!tree) continue;
            const auto* list = xcb_query_tree_children(tree.get());
            children.insert(children.end(), list,
                            list + xcb_query_tree_children_length(tree.get()));
        }
        return children;
    };
    const auto windows = childrenOf(childrenOf({root}));
    std::vector<std::array<xcb_get_property_cookie_t, 3>> cookies;
    for (auto w : windows)
        cookies.push_back(
            {xcb_get_property(c, 0, w, atoms._NET_WM_WINDOW_TYPE, XCB_ATOM_ATOM, 0, 16),
             xcb_get_property(c, 0, w, atoms._NET_WM_STRUT_PARTIAL, XCB_ATOM_CARDINAL, 0, 12),
             xcb_get_property(c, 0, w, atoms._NET_WM_STRUT, XCB_ATOM_CARDINAL, 0, 4)});
    std::vector<std::vector<double>> struts;
    for (const auto& cookie : cookies) {
        const auto types = valuesOf<xcb_atom_t>(property(c, cookie[0]).get());
        auto strut = valuesOf<std::uint32_t>(property(c, cookie[1]).get());
        if (strut.size() != 12) strut = valuesOf<std::uint32_t>(property(c, cookie[2]).get());
        if (types.empty() || types.front() != atoms._NET_WM_WINDOW_TYPE_DOCK ||
            (strut.size() != 12 && strut.size() != 4))
            continue;
        struts.emplace_back(strut.begin(), strut.end());
    }
    return struts;
}

}  // namespace vantrel::x11
