// Applications the user can pick by name, as a trigger of a layout.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace vantrel {

class WindowSystem;

struct AppChoice {
    std::string id;    // what windows and launches name the application by
    std::string name;  // what the user reads
};

using AppChoiceSource = std::function<std::vector<AppChoice>()>;

// The running applications that have an id, by name, each once.
std::vector<AppChoice> runningAppChoices(WindowSystem& windowSystem);

// Sorted by name (case-insensitively), one per id, the first of each kept.
std::vector<AppChoice> sortedChoices(std::vector<AppChoice> choices);

}  // namespace vantrel
