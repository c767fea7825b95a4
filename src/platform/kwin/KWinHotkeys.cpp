// KWin's global shortcuts: key names, the kglobalaccel questions (in its key-sequence methods,
// which KDE Frameworks 5 and 6 both have), and the script's requests.
#include "platform/kwin/KWinHotkeys.h"

#include <QtCore/qnamespace.h>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QStringList>

#include <array>
#include <chrono>
#include <utility>

#include "platform/freedesktop/KeyCodes.h"

namespace vantrel::kwin {
namespace {

// Qt's names and codes of the keys that are not letters or digits, by X keysym.
struct NamedKey {
    std::uint32_t keysym;
    const char* name;
    int qtKey;
};
// clang-format off
constexpr std::array<NamedKey, 22> kNamedKeys{{
    {0xff51, "Left", Qt::Key_Left}, {0xff52, "Up", Qt::Key_Up}, {0xff53, "Right", Qt::Key_Right},
    {0xff54, "Down", Qt::Key_Down}, {0xff0d, "Return", Qt::Key_Return}, {0xff09, "Tab", Qt::Key_Tab},
    {0x0020, "Space", Qt::Key_Space}, {0xff08, "Backspace", Qt::Key_Backspace},
    {0xffff, "Del", Qt::Key_Delete}, {0xff1b, "Esc", Qt::Key_Escape},
    {0xffbe, "F1", Qt::Key_F1}, {0xffbf, "F2", Qt::Key_F2}, {0xffc0, "F3", Qt::Key_F3},
    {0xffc1, "F4", Qt::Key_F4}, {0xffc2, "F5", Qt::Key_F5}, {0xffc3, "F6", Qt::Key_F6},
    {0xffc4, "F7", Qt::Key_F7}, {0xffc5, "F8", Qt::Key_F8}, {0xffc6, "F9", Qt::Key_F9},
    {0xffc7, "F10", Qt::Key_F10}, {0xffc8, "F11", Qt::Key_F11}, {0xffc9, "F12", Qt::Key_F12},
}};
// clang-format on

// Qt's order of the modifiers in a key sequence's text.
constexpr std::array<std::pair<std::uint32_t, std::pair<const char*, int>>, 4> kModifiers{{
    {hotkey_modifier::kControl, {"Ctrl", Qt::ControlModifier}},
    {hotkey_modifier::kOption, {"Alt", Qt::AltModifier}},
    {hotkey_modifier::kShift, {"Shift", Qt::ShiftModifier}},
    {hotkey_modifier::kCommand, {"Meta", Qt::MetaModifier}},
}};

constexpr auto kScriptAnswer = std::chrono::seconds{5};
constexpr int kServiceTimeoutMs = 2000;

// The script's action for a combination, and what KDE's Shortcuts settings call it.
std::string actionName(const KWinShortcut& shortcut) {
    return "vantrel " + shortcut.text;
}
std::string actionText(const KWinShortcut& shortcut) {
    return "Vantrel: " + shortcut.text;
}

QDBusMessage askGlobalAccel(const char* method, const QVariant& argument) {
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.kde.kglobalaccel"), QStringLiteral("/kglobalaccel"),
        QStringLiteral("org.kde.KGlobalAccel"), QString::fromLatin1(method));
    call << argument;
    return QDBusConnection::sessionBus().call(call, QDBus::Block, kServiceTimeoutMs);
}

// A key sequence as kglobalaccel reads one, (ai): always four keys, unused ones 0 (it reads four
// whatever was sent, and a shorter one aborts KWin 5.27).
QVariant keySequence(int qtKey) {
    QDBusArgument sequence;
    sequence.beginStructure();
    sequence << QList<int>{qtKey, 0, 0, 0};
    sequence.endStructure();
    return QVariant::fromValue(sequence);
}

// The first keys of each sequence in a reply of a(ai).
QList<int> firstKeys(const QVariant& reply) {
    QList<int> keys;
    const auto sequences = qvariant_cast<QDBusArgument>(reply);
    sequences.beginArray();
    while (!sequences.atEnd()) {
        QList<int> sequence;
        sequences.beginStructure();
        sequences >> sequence;
        sequences.endStructure();
        if (!sequence.isEmpty()) keys.push_back(sequence.front());
    }
    sequences.endArray();
    return keys;
}

}  // namespace

std::optional<KWinShortcut> kwinShortcut(std::uint32_t keyCode, std::uint32_t modifierMask) {
    const auto keysym = freedesktop::keysymForKeyCode(keyCode);
    if (!keysym) return std::nullopt;
    KWinShortcut shortcut;
    for (const auto& [bit, modifier] : kModifiers) {
        if ((modifierMask & bit) == 0) continue;
        shortcut.text += std::string(modifier.first) + "+";
        shortcut.qtKey |= modifier.second;
    }
    if (*keysym >= 'a' && *keysym <= 'z') {
        shortcut.text += static_cast<char>(*keysym - 'a' + 'A');
        shortcut.qtKey |= Qt::Key_A + static_cast<int>(*keysym - 'a');
        return shortcut;
    }
    if (*keysym >= '0' && *keysym <= '9') {
        shortcut.text += static_cast<char>(*keysym);
        shortcut.qtKey |= Qt::Key_0 + static_cast<int>(*keysym - '0');
        return shortcut;
    }
    for (const auto& key : kNamedKeys) {
        if (key.keysym != *keysym) continue;
        shortcut.text += key.name;
        shortcut.qtKey |= key.qtKey;
        return shortcut;
    }
    return std::nullopt;
}

KWinHotkeys::KWinHotkeys(Log& log, KWinBridge& bridge) : log_(log), bridge_(bridge) {}

void KWinHotkeys::start() {
    presses_ = bridge_.onReport("shortcut", [this](const KWinBridge::Json& report) {
        if (const auto name = report.find("name"); name != report.end() && name->is_string())
            onPress(name->get<std::string>());
    });
    scriptStarts_ = bridge_.onReport("state", [this](const KWinBridge::Json&) {
        std::lock_guard lock(mutex_);
        silent_ = false;
    });
}

Subscription KWinHotkeys::installPressHandler(PressHandler handler) {
    return pressHandler_.install(std::move(handler));
}

void KWinHotkeys::onPress(const std::string& name) {
    std::shared_ptr<PressHandler> handler;
    std::optional<HotkeyID> id;
    {
        std::lock_guard lock(mutex_);
        for (const auto& [ref, registration] : registrations_)
            if (registration.active && actionName(registration.shortcut) == name)
                id = registration.id;
        handler = pressHandler_.current();
    }
    // A released combination's action stays with KWin; its presses mean nothing now.
    if (id && handler) (*handler)(id);
}

std::optional<std::string> KWinHotkeys::holderOf(const KWinShortcut& shortcut) const {
    const QDBusMessage reply = askGlobalAccel("actionList", keySequence(shortcut.qtKey));
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return std::nullopt;  // no answer: the registration itself will tell
    // [component, action, component's friendly name, action's friendly name]; empty when free.
    const QStringList holder = reply.arguments().at(0).toStringList();
    if (holder.size() < 4) return std::nullopt;
    if (holder.at(0) == QLatin1String("kwin") &&
        holder.at(1) == QString::fromStdString(actionName(shortcut)))
        return std::nullopt;
    return (holder.at(2) + QStringLiteral(": ") + holder.at(3)).toStdString();
}

bool KWinHotkeys::holdsKey(const KWinShortcut& shortcut) const {
    const QStringList action{QStringLiteral("kwin"), QString::fromStdString(actionName(shortcut)),
                             QString(), QString()};
    const QDBusMessage reply = askGlobalAccel("shortcutKeys", QVariant(action));
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty() ||
        !reply.arguments().at(0).canConvert<QDBusArgument>())
        return false;
    return firstKeys(reply.arguments().at(0)).contains(shortcut.qtKey);
}

HotkeyRegistration KWinHotkeys::registerHotkey(std::uint32_t keyCode, std::uint32_t modifierMask,
                                               HotkeyID id) {
    const auto shortcut = kwinShortcut(keyCode, modifierMask);
    if (!shortcut) return {hotkey_status::kInvalidHotkey, std::nullopt};
    std::optional<HotkeyRef> released;
    {
        std::lock_guard lock(mutex_);
        if (silent_) return {hotkey_status::kInvalidHotkey, std::nullopt};
        for (const auto& [ref, registration] : registrations_) {
            if (registration.shortcut.text != shortcut->text) continue;
            if (registration.active) return {hotkey_status::kHotkeyExists, std::nullopt};
            released = ref;
        }
    }
    if (const auto holder = holderOf(*shortcut)) {
        log_.line("KWinHotkeys: " + shortcut->text + " belongs to " + *holder);
        return {hotkey_status::kHotkeyExists, std::nullopt};
    }
    const auto answer = bridge_.request({{"op", "registerShortcut"},
                                         {"name", actionName(*shortcut)},
                                         {"text", actionText(*shortcut)},
                                         {"keys", shortcut->text}},
                                        std::chrono::steady_clock::now() + kScriptAnswer);
    if (!answer || answer.value().value("ok", false) != true) {
        log_.line("KWinHotkeys: KWin did not register " + shortcut->text + ": " +
                  (answer ? answer.value().value("error", std::string("refused"))
                          : answer.error().message));
        std::lock_guard lock(mutex_);
        silent_ = !answer;
        return {hotkey_status::kInvalidHotkey, std::nullopt};
    }
    // Taken by another program in the meantime: kglobalaccel gave the action no key.
    if (!holdsKey(*shortcut)) return {hotkey_status::kHotkeyExists, std::nullopt};
    std::lock_guard lock(mutex_);
    if (released) registrations_.erase(*released);
    const HotkeyRef ref = nextRef_++;
    registrations_.emplace(ref, Registration{*shortcut, id, true});
    return {hotkey_status::kNoError, ref};
}

int KWinHotkeys::unregisterHotkey(HotkeyRef ref) {
    std::string name;
    {
        std::lock_guard lock(mutex_);
        const auto found = registrations_.find(ref);
        if (found == registrations_.end() || !found->second.active)
            return hotkey_status::kInvalidHotkey;
        found->second.active = false;
        name = actionName(found->second.shortcut);
        // Once per combination: the shortcut recorder releases them all each time it listens.
        if (toldReleased_.insert(name).second)
            log_.line("KWinHotkeys: Released " + found->second.shortcut.text +
                      "; KWin keeps it for Vantrel, doing nothing, until Vantrel quits");
        if (silent_) return hotkey_status::kNoError;
    }
    // The script stops reporting it; presses that cross this are dropped here anyway.
    (void)bridge_.request({{"op", "unregisterShortcut"}, {"name", name}},
                          std::chrono::steady_clock::now() + kScriptAnswer);
    return hotkey_status::kNoError;
}

}  // namespace vantrel::kwin
