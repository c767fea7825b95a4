// One question to the session bus before the toolkit starts: is a name owned there?
#pragma once

#include <string>

namespace vantrel::freedesktop {

// Whether `name` has an owner on the session bus; false without a reachable bus. Never starts a
// bus (no autolaunch) nor a service. Blocks for at most a second.
bool sessionBusHasOwner(const std::string& name);

}  // namespace vantrel::freedesktop
