// Each bus method checks what the caller sent, asks the command layer and answers once: at once,
// or when the work on the executor has ended.
#include "dbus/LayoutBus.h"

#include <QDBusMetaType>
#include <QMetaObject>
#include <QStringList>
#include <algorithm>
#include <any>

#include "dbus/BusNames.h"
#include "dbus/BusValues.h"

namespace vantrel::bus {
namespace {

// Longer names and references are no one's layout: refused before any lookup.
constexpr qsizetype kMaxText = 200;

constexpr const char* kNothingCaptured =
    "No windows were captured (or the desktop was too busy to answer in time): nothing changed.";

constexpr const char* kMethodNames[] = {"List",   "Restore",     "Save",   "Recapture",
                                        "Delete", "ApplyPreset", "Export", "Import"};

void answer(QDBusConnection bus, const QDBusMessage& call, const QList<QVariant>& values = {}) {
    bus.send(call.createReply(values));
}

void fail(QDBusConnection bus, const QDBusMessage& call, const char* name,
          const std::string& text) {
    bus.send(call.createErrorReply(QString::fromLatin1(name), QString::fromStdString(text)));
}

std::string quoted(const std::string& text) {
    return "\"" + text + "\"";
}

// A restore's reply: its summary when it ran to its end, else the reason it did not.
void answerRestore(QDBusConnection bus, const QDBusMessage& call, const RestoreOutcome& outcome,
                   SpaceChoice space) {
    const std::string name = quoted(outcome.layoutName);
    if (outcome.stopped)
        return fail(bus, call, error::kCancelled,
                    "The restore of " + name +
                        " stopped before its end: another restore started, or it was cancelled.");
    if (outcome.error &&
        outcome.error->kind() == LayoutError::Kind::accessibilityPermissionRequired)
        return fail(bus, call, error::kNoAccess, outcome.error->description());
    if (outcome.summary.awaitingSpaceChoice && space == SpaceChoice::saved)
        return fail(bus, call, error::kOtherWorkspace,
                    name + " was saved on another workspace: its windows were left there.");
    if (outcome.error) return fail(bus, call, error::kFailed, outcome.error->description());
    answer(bus, call, {summaryOf(outcome)});
}

std::optional<SpaceChoice> spaceChoice(const QString& text) {
    if (text == QLatin1String("ask")) return SpaceChoice::ask;
    if (text == QLatin1String("here")) return SpaceChoice::here;
    if (text == QLatin1String("saved")) return SpaceChoice::saved;
    return std::nullopt;
}

}  // namespace

LayoutBus::LayoutBus(LayoutCommands& commands, NotificationCenter& notifications,
                     QDBusConnection connection)
    : commands_(commands), connection_(std::move(connection)) {
    qDBusRegisterMetaType<QList<QVariantMap>>();
    changed_ = notifications.addObserver(
        kLayoutsDidChange, [this](const Notification&) { signal("LayoutsChanged", {}); });
    finished_ = notifications.addObserver(kRestoreDidFinish, [this](const Notification& note) {
        const auto it = note.userInfo.find("outcome");
        const auto* outcome =
            it == note.userInfo.end() ? nullptr : std::any_cast<RestoreOutcome>(&it->second);
        if (outcome == nullptr) return;
        signal("RestoreFinished",
               {QString::fromStdString(outcome->layoutId.toString()),
                QString::fromStdString(outcome->layoutName), summaryOf(*outcome)});
    });
}

LayoutBus::~LayoutBus() {
    if (!registered_) return;
    connection_.unregisterService(QString::fromLatin1(kService));
    connection_.unregisterObject(QString::fromLatin1(kPath));
}

std::optional<std::string> LayoutBus::publish() {
    if (!connection_.isConnected())
        return "no session bus: " + connection_.lastError().message().toStdString();
    if (!connection_.registerVirtualObject(QString::fromLatin1(kPath), this))
        return std::string("the path ") + kPath + " is taken";
    if (!connection_.registerService(QString::fromLatin1(kService))) {
        connection_.unregisterObject(QString::fromLatin1(kPath));
        return std::string("the name ") + kService +
               " is taken: " + connection_.lastError().message().toStdString();
    }
    registered_ = true;
    return std::nullopt;
}

QString LayoutBus::introspect(const QString&) const {
    return QStringLiteral(R"(<interface name="app.vantrel.Vantrel.Layouts">
  <method name="List"><arg name="layouts" type="aa{sv}" direction="out"/></method>
  <method name="Restore"><arg name="layout" type="s" direction="in"/>
    <arg name="options" type="a{sv}" direction="in"/>
    <arg name="summary" type="a{sv}" direction="out"/></method>
  <method name="Save"><arg name="name" type="s" direction="in"/>
    <arg name="id" type="s" direction="out"/></method>
  <method name="Recapture"><arg name="layout" type="s" direction="in"/>
    <arg name="id" type="s" direction="out"/></method>
  <method name="Delete"><arg name="layout" type="s" direction="in"/></method>
  <method name="ApplyPreset"><arg name="preset" type="s" direction="in"/></method>
  <method name="Export"><arg name="file" type="s" direction="out"/></method>
  <method name="Import"><arg name="file" type="s" direction="in"/>
    <arg name="added" type="u" direction="out"/></method>
  <signal name="LayoutsChanged"/>
  <signal name="RestoreFinished"><arg name="id" type="s"/><arg name="name" type="s"/>
    <arg name="summary" type="a{sv}"/></signal>
</interface>
)");
}

bool LayoutBus::handleMessage(const QDBusMessage& message, const QDBusConnection&) {
    // Qt D-Bus's thread: nothing here reads our state. Other interfaces (introspection, peer)
    // are Qt's to answer.
    if (message.type() != QDBusMessage::MethodCallMessage) return false;
    const QString interface = message.interface();
    if (!interface.isEmpty() && interface != QLatin1String(kInterface)) return false;
    if (interface.isEmpty() &&
        std::none_of(std::begin(kMethodNames), std::end(kMethodNames),
                     [&](const char* name) { return message.member() == QLatin1String(name); }))
        return false;
    QMetaObject::invokeMethod(
        this, [this, message] { dispatch(message); }, Qt::QueuedConnection);
    return true;
}

void LayoutBus::dispatch(const QDBusMessage& call) {
    static const struct {
        const char* name;
        const char* signature;
        void (LayoutBus::*run)(const QDBusMessage&);
    } methods[] = {{"List", "", &LayoutBus::list},
                   {"Restore", "sa{sv}", &LayoutBus::restore},
                   {"Save", "s", &LayoutBus::save},
                   {"Recapture", "s", &LayoutBus::recapture},
                   {"Delete", "s", &LayoutBus::remove},
                   {"ApplyPreset", "s", &LayoutBus::applyPreset},
                   {"Export", "", &LayoutBus::exportLayouts},
                   {"Import", "s", &LayoutBus::importLayouts}};
    for (const auto& method : methods) {
        if (call.member() != QLatin1String(method.name)) continue;
        if (call.signature() != QLatin1String(method.signature))
            return fail(connection_, call, "org.freedesktop.DBus.Error.InvalidArgs",
                        std::string(method.name) + " takes (" + method.signature + "), not (" +
                            call.signature().toStdString() + ")");
        return (this->*method.run)(call);
    }
    fail(connection_, call, "org.freedesktop.DBus.Error.UnknownMethod",
         "No method " + call.member().toStdString() + " in " + kInterface);
}

void LayoutBus::list(const QDBusMessage& call) {
    QList<QVariantMap> entries;
    for (const auto& layout : commands_.list().layouts.get()) entries << layoutEntry(layout);
    answer(connection_, call, {QVariant::fromValue(entries)});
}

std::optional<WindowLayout> LayoutBus::named(const QDBusMessage& call) {
    const QString given = call.arguments().value(0).toString();
    if (given.isEmpty() || given.size() > kMaxText) {
        fail(connection_, call, error::kInvalidArgument,
             "Name a layout by its name or its id (at most 200 characters).");
        return std::nullopt;
    }
    const std::string text = given.toStdString();
    auto found = commands_.find(text);
    if (found.empty())
        fail(connection_, call, error::kNoSuchLayout,
             "No layout is named " + quoted(text) + " or has that id.");
    if (found.size() > 1)
        fail(connection_, call, error::kAmbiguousName,
             std::to_string(found.size()) + " layouts are named " + quoted(text) +
                 ": name one by its id (the list shows them).");
    if (found.size() != 1) return std::nullopt;
    return std::move(found.front());
}

std::optional<RestoreOptions> LayoutBus::restoreOptions(const QDBusMessage& call) {
    // Nobody can answer the workspace prompt for a script: unless it asks, restore here.
    auto options = RestoreOptions::from(RestoreOrigin::background);
    options.space = SpaceChoice::here;
    const auto given = qdbus_cast<QVariantMap>(call.arguments().value(1));
    for (auto it = given.cbegin(); it != given.cend(); ++it) {
        const bool isBool = it.value().metaType() == QMetaType::fromType<bool>();
        const bool isText = it.value().metaType() == QMetaType::fromType<QString>();
        const auto space = isText ? spaceChoice(it.value().toString()) : std::nullopt;
        if (it.key() == QLatin1String("workspace") && space)
            options.space = *space;
        else if (it.key() == QLatin1String("launchMissingApps") && isBool)
            options.launchMissingApps = it.value().toBool();
        else if (it.key() == QLatin1String("closeOtherApps") && isBool)
            options.closeOtherApps = it.value().toBool();
        else {
            fail(connection_, call, error::kInvalidArgument,
                 "Unknown restore option or value: " + it.key().left(kMaxText).toStdString() +
                     " (workspace: ask, here or saved; launchMissingApps, closeOtherApps: "
                     "booleans)");
            return std::nullopt;
        }
    }
    return options;
}

void LayoutBus::restore(const QDBusMessage& call) {
    auto layout = named(call);
    if (!layout) return;
    auto options = restoreOptions(call);
    if (!options) return;
    options->onFinished = [bus = connection_, call,
                           space = options->space](const RestoreOutcome& outcome) {
        answerRestore(bus, call, outcome, space);
    };
    commands_.restore(*layout, std::move(*options));
}

void LayoutBus::save(const QDBusMessage& call) {
    const QString name = call.arguments().value(0).toString();
    if (name.trimmed().isEmpty() || name.size() > kMaxText)
        return fail(connection_, call, error::kInvalidArgument,
                    "A layout needs a name of 1 to 200 characters.");
    if (!commands_.hasWindowAccess())
        return fail(connection_, call, error::kNoAccess,
                    LayoutError::accessibilityPermissionRequired().description());
    commands_.saveCurrentWindows(name.toStdString(), [bus = connection_, call](auto layout) {
        if (!layout) return fail(bus, call, error::kFailed, kNothingCaptured);
        answer(bus, call, {QString::fromStdString(layout->id.toString())});
    });
}

void LayoutBus::recapture(const QDBusMessage& call) {
    const auto layout = named(call);
    if (!layout) return;
    if (!commands_.hasWindowAccess())
        return fail(connection_, call, error::kNoAccess,
                    LayoutError::accessibilityPermissionRequired().description());
    commands_.recapture(layout->id, [bus = connection_, call](auto fresh) {
        if (!fresh) return fail(bus, call, error::kFailed, kNothingCaptured);
        answer(bus, call, {QString::fromStdString(fresh->id.toString())});
    });
}

void LayoutBus::remove(const QDBusMessage& call) {
    const auto layout = named(call);
    if (!layout) return;
    (void)commands_.remove(layout->id);
    answer(connection_, call);
}

void LayoutBus::applyPreset(const QDBusMessage& call) {
    const std::string name = call.arguments().value(0).toString().left(kMaxText).toStdString();
    const auto preset = presetNamed(name);
    if (!preset)
        return fail(connection_, call, error::kInvalidArgument,
                    "No preset is named " + quoted(name) + "; the presets: " + presetNames() + ".");
    if (!commands_.hasWindowAccess())
        return fail(connection_, call, error::kNoAccess,
                    LayoutError::accessibilityPermissionRequired().description());
    commands_.applyPreset(*preset, [bus = connection_, call](bool placed) {
        if (!placed) return fail(bus, call, error::kFailed, "No focused window could be placed.");
        answer(bus, call);
    });
}

void LayoutBus::exportLayouts(const QDBusMessage& call) {
    const auto text = commands_.exportLayouts();
    if (!text) return fail(connection_, call, error::kFailed, text.error().message);
    answer(connection_, call, {QString::fromStdString(*text)});
}

void LayoutBus::importLayouts(const QDBusMessage& call) {
    const QByteArray text = call.arguments().value(0).toString().toUtf8();
    const auto added = commands_.importLayouts(
        std::string_view(text.constData(), static_cast<std::size_t>(text.size())));
    if (!added)
        return fail(connection_, call, error::kInvalidFile,
                    "Not imported, nothing changed: " + added.error().message);
    answer(connection_, call, {static_cast<uint>(*added)});
}

void LayoutBus::signal(const char* name, const QList<QVariant>& arguments) {
    if (!registered_) return;
    auto message = QDBusMessage::createSignal(
        QString::fromLatin1(kPath), QString::fromLatin1(kInterface), QString::fromLatin1(name));
    message.setArguments(arguments);
    connection_.send(message);
}

}  // namespace vantrel::bus
