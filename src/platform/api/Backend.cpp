// The session type and the first backend that fits it.
#include "platform/api/Backend.h"

#include <algorithm>
#include <string_view>

namespace vantrel {

SessionType sessionTypeFrom(const char* xdgSessionType, const char* waylandDisplay,
                            const char* display) {
    const auto set = [](const char* value) { return value != nullptr && *value != '\0'; };
    if (set(xdgSessionType)) {
        const std::string_view type = xdgSessionType;
        if (type == "x11") return SessionType::x11;
        if (type == "wayland") return SessionType::wayland;
    }
    if (set(waylandDisplay)) return SessionType::wayland;
    if (set(display)) return SessionType::x11;
    return SessionType::unknown;
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

}  // namespace vantrel
