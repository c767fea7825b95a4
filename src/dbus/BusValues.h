// What the bus carries: a layout's list entry, a restore's summary and the presets' names.
#pragma once

#include <QString>
#include <QVariantMap>
#include <optional>
#include <string>
#include <string_view>

#include "automation/LayoutManager.h"
#include "model/PresetLayout.h"
#include "model/WindowLayout.h"

namespace vantrel::bus {

// id, name, shortcut ("" when none), windows, triggers ("display", "login", "app:<id>"),
// launchMissingApps, closeOtherApps.
QVariantMap layoutEntry(const WindowLayout& layout);
// total, restored, notRunning, failed, launched, closed, missingApps, awaitingWorkspace,
// stopped, error ("" when none).
QVariantMap summaryOf(const RestoreOutcome& outcome);

// The preset's name on the command line and the bus: its name in kebab case ("left-half").
std::string presetName(PresetLayout preset);
std::optional<PresetLayout> presetNamed(std::string_view name);
// Every preset's name, separated by ", ".
std::string presetNames();

}  // namespace vantrel::bus
