// Running applications as choices, and the order choices are offered in.
#include "ui/AppChoices.h"

#include <QString>
#include <algorithm>
#include <set>

#include "engine/WindowSystem.h"

namespace vantrel {

std::vector<AppChoice> runningAppChoices(WindowSystem& windowSystem) {
    std::vector<AppChoice> choices;
    for (const auto& app : windowSystem.runningApplications()) {
        if (!app.bundleID || app.bundleID->empty()) continue;
        choices.push_back({*app.bundleID, app.localizedName.value_or(*app.bundleID)});
    }
    return sortedChoices(std::move(choices));
}

std::vector<AppChoice> sortedChoices(std::vector<AppChoice> choices) {
    std::vector<AppChoice> unique;
    std::set<std::string> seen;
    for (auto& choice : choices)
        if (seen.insert(choice.id).second) unique.push_back(std::move(choice));
    std::stable_sort(unique.begin(), unique.end(), [](const AppChoice& a, const AppChoice& b) {
        return QString::fromStdString(a.name).compare(QString::fromStdString(b.name),
                                                      Qt::CaseInsensitive) < 0;
    });
    return unique;
}

}  // namespace vantrel
