// Where the user's configuration lives on a freedesktop system.
#pragma once

#include <QString>

namespace vantrel {

// $XDG_CONFIG_HOME when it is an absolute path, else ~/.config.
QString xdgConfigHome();

}  // namespace vantrel
