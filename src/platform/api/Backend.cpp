// The kind of session, the first backend that fits it, and what to say when none does.
#include "platform/api/Backend.h"

#include <algorithm>
#include <cctype>
#include <string_view>

namespace vantrel {

namespace {

bool isSet(const char* value) {
    return value != nullptr && *value != '\0';
}

bool sameLetters(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) ==
               std::tolower(static_cast<unsigned char>(y));
    });
}

// Whether the ':'-separated desktop names include `name`, in any case.
bool namesDesktop(const char* desktops, std::string_view name) {
    if (!isSet(desktops)) return false;
    std::string_view rest = desktops;
    for (auto end = rest.find(':');; end = rest.find(':')) {
        if (sameLetters(rest.substr(0, end), name)) return true;
        if (end == std::string_view::npos) return false;
        rest.remove_prefix(end + 1);
    }
}

}  // namespace

SessionType sessionTypeFrom(const SessionEnvironment& environment,
                            const std::function<bool()>& kwinOnBus) {
    const std::string_view type =
        isSet(environment.xdgSessionType) ? environment.xdgSessionType : "";
    const bool wayland = type == "wayland" || (type != "x11" && isSet(environment.waylandDisplay));
    if (!wayland) {
        if (type == "x11" || isSet(environment.display)) return SessionType::x11;
        return SessionType::unknown;
    }
    if (namesDesktop(environment.currentDesktop, "KDE")) return SessionType::kdeWayland;
    if (namesDesktop(environment.currentDesktop, "GNOME")) return SessionType::gnomeWayland;
    return kwinOnBus && kwinOnBus() ? SessionType::kdeWayland : SessionType::otherWayland;
}

BackendChoice::Chosen BackendChoice::choose(SessionType session) const {
    Chosen chosen{nullptr, "this build has no backend for the session"};
    for (const auto& entry : entries_) {
        if (std::find(entry.sessions.begin(), entry.sessions.end(), session) ==
            entry.sessions.end())
            continue;
        if (auto problem = entry.problem ? entry.problem() : std::nullopt) {
            chosen.problem = std::move(*problem);
            continue;
        }
        chosen.entry = &entry;
        return chosen;
    }
    return chosen;
}

std::string BackendChoice::refusal(SessionType session, const Chosen& chosen) {
    const std::string wayland = "Vantrel: Cannot arrange windows in this Wayland session: ";
    switch (session) {
        case SessionType::kdeWayland:
        case SessionType::gnomeWayland:
            return wayland + chosen.problem;
        case SessionType::otherWayland:
            return wayland +
                   "only KDE Plasma's KWin and GNOME Shell let Vantrel place windows on Wayland; "
                   "log in to an X11 session if the login screen offers one";
        case SessionType::x11:
        case SessionType::unknown:
            break;
    }
    return "Vantrel: Cannot use the X display: " + chosen.problem;
}

}  // namespace vantrel
