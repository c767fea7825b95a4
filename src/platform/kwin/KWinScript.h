// Vantrel's KWin script: where it is installed, and loading it into KWin over the session bus.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "base/Result.h"

namespace vantrel::kwin {

// The name KWin knows the script by.
inline constexpr const char* kScriptPlugin = "vantrel";

// The script file: `override` ($VANTREL_KWIN_SCRIPT) when given, else
// <prefix>/share/vantrel/kwin/vantrel-kwin.js for an executable in <prefix>/bin; none when that
// file does not exist.
std::optional<std::string> scriptPath(const char* override, const std::string& executable);
// The running program's own file.
std::string ownExecutable();

// Loads the file into KWin under kScriptPlugin, after unloading a stale script of that name (a
// Vantrel that ended without unloading it), and runs it.
Status loadScript(const std::string& file);
// Unloads it; quietly nothing when KWin is gone.
void unloadScript();

// The outputs' names in KWin's order, read from its support information: KWin 5.27 names its
// outputs to no script. Empty when KWin does not list them.
std::vector<std::string> outputNames();
// The same, from that text.
std::vector<std::string> outputNamesIn(const std::string& supportInformation);

}  // namespace vantrel::kwin
