// The bus's plain maps of layouts and restore summaries, and the presets' kebab-case names.
#include "dbus/BusValues.h"

#include <QStringList>
#include <cctype>

#include "model/ShortcutText.h"

namespace vantrel::bus {
namespace {

QString text(const std::string& value) {
    return QString::fromStdString(value);
}

}  // namespace

QVariantMap layoutEntry(const WindowLayout& layout) {
    QStringList triggers;
    if (layout.triggerOnDisplayChange) triggers << QStringLiteral("display");
    if (layout.restoreAtLogin) triggers << QStringLiteral("login");
    for (const auto& app : layout.triggerApps) triggers << QStringLiteral("app:") + text(app);
    const std::string shortcut =
        layout.hasShortcut() ? shortcutText(*layout.shortcutKeyCode, *layout.shortcutModifiers)
                             : std::string();
    return {{QStringLiteral("id"), text(layout.id.toString())},
            {QStringLiteral("name"), text(layout.name)},
            {QStringLiteral("shortcut"), text(shortcut)},
            {QStringLiteral("windows"), static_cast<uint>(layout.windows.size())},
            {QStringLiteral("triggers"), triggers},
            {QStringLiteral("launchMissingApps"), layout.launchMissingApps},
            {QStringLiteral("closeOtherApps"), layout.closeOtherApps}};
}

QVariantMap summaryOf(const RestoreOutcome& outcome) {
    const auto& summary = outcome.summary;
    QStringList missing;
    for (const auto& app : summary.missingApps) missing << text(app);
    return {{QStringLiteral("total"), static_cast<qint64>(summary.totalWindows)},
            {QStringLiteral("restored"), static_cast<qint64>(summary.restoredWindows)},
            {QStringLiteral("notRunning"), static_cast<qint64>(summary.appNotRunningWindows)},
            {QStringLiteral("failed"), static_cast<qint64>(summary.failedWindows)},
            {QStringLiteral("launched"), static_cast<qint64>(summary.launchedApps)},
            {QStringLiteral("closed"), static_cast<qint64>(summary.closedApps)},
            {QStringLiteral("missingApps"), missing},
            {QStringLiteral("awaitingWorkspace"), summary.awaitingSpaceChoice},
            {QStringLiteral("stopped"), outcome.stopped},
            {QStringLiteral("error"), text(outcome.error ? outcome.error->description() : "")}};
}

std::string presetName(PresetLayout preset) {
    std::string name;
    for (const char c : rawValue(preset))
        name += c == ' ' ? '-' : static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return name;
}

std::optional<PresetLayout> presetNamed(std::string_view name) {
    for (const auto preset : allPresetLayouts())
        if (presetName(preset) == name) return preset;
    return std::nullopt;
}

std::string presetNames() {
    std::string names;
    for (const auto preset : allPresetLayouts())
        names += (names.empty() ? "" : ", ") + presetName(preset);
    return names;
}

}  // namespace vantrel::bus
