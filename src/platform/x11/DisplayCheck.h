// Whether this session offers the X display Vantrel needs, asked before the toolkit starts
// (which aborts without one instead of saying why).
#pragma once

#include <optional>
#include <string>

namespace vantrel::x11 {

// Why Vantrel cannot use the display, as a sentence for the user; none when it can. `display` is
// $DISPLAY (nullptr when unset). Connects once when it names one.
std::optional<std::string> displayProblem(const char* display);

}  // namespace vantrel::x11
