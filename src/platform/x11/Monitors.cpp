// Reading RandR monitors and their EDIDs in two batches, and turning them into screens.
#include "platform/x11/Monitors.h"

#include <xcb/randr.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <utility>

#include "platform/freedesktop/Edid.h"
#include "platform/x11/XcbReply.h"

namespace vantrel::x11 {

std::vector<MonitorInfo> readMonitors(xcb_connection_t* c, xcb_window_t root, xcb_atom_t edidAtom) {
    std::vector<MonitorInfo> monitors;
    xcb_generic_error_t* error = nullptr;
    Reply<xcb_randr_get_monitors_reply_t> reply(
        xcb_randr_get_monitors_reply(c, xcb_randr_get_monitors(c, root, 1), &error));
    std::free(std::exchange(error, nullptr));
    if (!reply) return monitors;
    std::vector<xcb_get_atom_name_cookie_t> names;
    std::vector<std::optional<xcb_randr_get_output_property_cookie_t>> edids;
    for (auto it = xcb_randr_get_monitors_monitors_iterator(reply.get()); it.rem > 0;
         xcb_randr_monitor_info_next(&it)) {
        const xcb_randr_monitor_info_t* info = it.data;
        MonitorInfo monitor;
        monitor.root = Rect{static_cast<double>(info->x), static_cast<double>(info->y),
                            static_cast<double>(info->width), static_cast<double>(info->height)};
        monitor.primary = info->primary != 0;
        monitors.push_back(std::move(monitor));
        names.push_back(xcb_get_atom_name(c, info->name));
        if (xcb_randr_monitor_info_outputs_length(info) > 0 && edidAtom != XCB_ATOM_NONE) {
            const xcb_randr_output_t output = xcb_randr_monitor_info_outputs(info)[0];
            edids.emplace_back(
                xcb_randr_get_output_property(c, output, edidAtom, XCB_ATOM_ANY, 0, 256, 0, 0));
        } else {
            edids.emplace_back(std::nullopt);
        }
    }
    for (std::size_t i = 0; i < monitors.size(); ++i) {
        Reply<xcb_get_atom_name_reply_t> name(xcb_get_atom_name_reply(c, names[i], &error));
        std::free(std::exchange(error, nullptr));
        if (name)
            monitors[i].name.assign(
                xcb_get_atom_name_name(name.get()),
                static_cast<std::size_t>(xcb_get_atom_name_name_length(name.get())));
        if (!edids[i]) continue;
        Reply<xcb_randr_get_output_property_reply_t> edid(
            xcb_randr_get_output_property_reply(c, *edids[i], &error));
        std::free(std::exchange(error, nullptr));
        if (edid && edid->format == 8) {
            const std::uint8_t* data = xcb_randr_get_output_property_data(edid.get());
            monitors[i].edid.assign(data,
                                    data + xcb_randr_get_output_property_data_length(edid.get()));
        }
    }
    return monitors;
}

Rect primaryRootFrame(const std::vector<MonitorInfo>& monitors, double rootWidth,
                      double rootHeight) {
    for (const auto& monitor : monitors)
        if (monitor.primary) return monitor.root;
    if (!monitors.empty()) return monitors.front().root;
    return Rect{0, 0, rootWidth, rootHeight};
}

std::vector<native::Monitor> buildMonitors(std::vector<MonitorInfo> monitors,
                                           const std::vector<Strut>& struts,
                                           const std::optional<Rect>& workarea, double rootWidth,
                                           double rootHeight) {
    if (monitors.empty())
        monitors.push_back(MonitorInfo{"screen", {0, 0, rootWidth, rootHeight}, true, {}});
    std::stable_partition(monitors.begin(), monitors.end(),
                          [](const MonitorInfo& m) { return m.primary; });
    const Rect primary = monitors.front().root;
    const auto toDesktop = [&](const Rect& r) {
        return Rect{r.x - primary.x, r.y - primary.y, r.width, r.height};
    };
    std::vector<native::Monitor> list;
    for (const auto& monitor : monitors) {
        Rect visible = monitor.root;
        // On one monitor the manager's own work area is what it maximises windows to: Marco,
        // Metacity, Mutter and Muffin turn a panel in a corner into a side strut, not the edge
        // it reserves. One work area cannot describe several monitors: there the struts tell.
        if (workarea && (monitors.size() == 1 || struts.empty())) {
            if (auto overlap = intersection(monitor.root, *workarea)) visible = *overlap;
        } else if (!struts.empty()) {
            visible = visibleArea(monitor.root, struts, rootWidth, rootHeight);
        }
        list.push_back(
            native::Monitor{freedesktop::displayId(monitor.edid, monitor.name),
                            freedesktop::edidModelName(monitor.edid).value_or(monitor.name),
                            toDesktop(monitor.root), toDesktop(visible), list.empty()});
    }
    return list;
}

}  // namespace vantrel::x11
