// GNOME Shell's accelerators: key names in GTK's notation, the extension's grabs and presses.
#include "platform/gnome/GnomeHotkeys.h"

#include <QDBusMessage>

#include <array>
#include <utility>

#include "platform/freedesktop/KeyCodes.h"

namespace vantrel::gnome {
namespace {

// GTK's names of the keys that are not letters or digits, by X keysym.
struct NamedKey {
    std::uint32_t keysym;
    const char* name;
};
// clang-format off
constexpr std::array<NamedKey, 22> kNamedKeys{{
    {0xff51, "Left"}, {0xff52, "Up"}, {0xff53, "Right"}, {0xff54, "Down"}, {0xff0d, "Return"},
    {0xff09, "Tab"}, {0x0020, "space"}, {0xff08, "BackSpace"}, {0xffff, "Delete"},
    {0xff1b, "Escape"}, {0xffbe, "F1"}, {0xffbf, "F2"}, {0xffc0, "F3"}, {0xffc1, "F4"},
    {0xffc2, "F5"}, {0xffc3, "F6"}, {0xffc4, "F7"}, {0xffc5, "F8"}, {0xffc6, "F9"},
    {0xffc7, "F10"}, {0xffc8, "F11"}, {0xffc9, "F12"},
}};
// clang-format on

constexpr std::array<std::pair<std::uint32_t, const char*>, 4> kModifiers{{
    {hotkey_modifier::kControl, "<Control>"},
    {hotkey_modifier::kOption, "<Alt>"},
    {hotkey_modifier::kShift, "<Shift>"},
    {hotkey_modifier::kCommand, "<Super>"},
}};

}  // namespace

std::optional<std::string> gnomeAccelerator(std::uint32_t keyCode, std::uint32_t modifierMask) {
    const auto keysym = freedesktop::keysymForKeyCode(keyCode);
    if (!keysym) return std::nullopt;
    std::string text;
    for (const auto& [bit, name] : kModifiers)
        if ((modifierMask & bit) != 0) text += name;
    if ((*keysym >= 'a' && *keysym <= 'z') || (*keysym >= '0' && *keysym <= '9'))
        return text + static_cast<char>(*keysym);
    for (const auto& key : kNamedKeys)
        if (key.keysym == *keysym) return text + key.name;
    return std::nullopt;
}

GnomeHotkeys::GnomeHotkeys(Log& log, GnomeShell& shell) : log_(log), shell_(shell) {}

std::pair<int, std::uint32_t> GnomeHotkeys::grab(const std::string& accelerator) {
    const QDBusMessage reply =
        shell_.call("GrabAccelerator", {QString::fromStdString(accelerator)});
    if (reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty()) {
        const std::uint32_t action = reply.arguments().at(0).toUInt();
        if (action != 0) return {hotkey_status::kNoError, action};
    }
    // Mutter grabs no combination that the Shell or another grab holds already.
    if (reply.errorName() == QLatin1String("org.freedesktop.DBus.Error.InvalidArgs") &&
        reply.errorMessage().contains(QLatin1String("cannot grab")))
        return {hotkey_status::kHotkeyExists, 0};
    return {hotkey_status::kInvalidHotkey, 0};
}

void GnomeHotkeys::appeared() {
    std::map<HotkeyRef, std::string> wanted;
    {
        std::lock_guard lock(mutex_);
        for (auto& [ref, registration] : registrations_) {
            registration.action = 0;
            wanted.emplace(ref, registration.accelerator);
        }
    }
    // The desktop's handler registered first, on this same thread: calls are allowed now.
    for (const auto& [ref, accelerator] : wanted) {
        const auto [status, action] = grab(accelerator);
        if (status != hotkey_status::kNoError)
            log_.line("GnomeHotkeys: Could not grab " + accelerator + " again");
        std::lock_guard lock(mutex_);
        if (const auto found = registrations_.find(ref); found != registrations_.end())
            found->second.action = action;
    }
}

void GnomeHotkeys::activated(std::uint32_t action) {
    std::shared_ptr<PressHandler> handler;
    std::optional<HotkeyID> id;
    {
        std::lock_guard lock(mutex_);
        for (const auto& [ref, registration] : registrations_)
            if (action != 0 && registration.action == action) id = registration.id;
        handler = pressHandler_.current();
    }
    if (id && handler) (*handler)(id);
}

Subscription GnomeHotkeys::installPressHandler(PressHandler handler) {
    return pressHandler_.install(std::move(handler));
}

HotkeyRegistration GnomeHotkeys::registerHotkey(std::uint32_t keyCode, std::uint32_t modifierMask,
                                                HotkeyID id) {
    const auto accelerator = gnomeAccelerator(keyCode, modifierMask);
    if (!accelerator) return {hotkey_status::kInvalidHotkey, std::nullopt};
    {
        std::lock_guard lock(mutex_);
        for (const auto& [ref, registration] : registrations_)
            if (registration.accelerator == *accelerator)
                return {hotkey_status::kHotkeyExists, std::nullopt};
    }
    const auto [status, action] = grab(*accelerator);
    if (status != hotkey_status::kNoError) {
        log_.line("GnomeHotkeys: GNOME Shell did not grab " + *accelerator);
        return {status, std::nullopt};
    }
    std::lock_guard lock(mutex_);
    const HotkeyRef ref = nextRef_++;
    registrations_.emplace(ref, Registration{*accelerator, id, action});
    return {hotkey_status::kNoError, ref};
}

int GnomeHotkeys::unregisterHotkey(HotkeyRef ref) {
    std::uint32_t action = 0;
    {
        std::lock_guard lock(mutex_);
        const auto found = registrations_.find(ref);
        if (found == registrations_.end()) return hotkey_status::kInvalidHotkey;
        action = found->second.action;
        registrations_.erase(found);
    }
    if (action != 0) (void)shell_.call("UngrabAccelerator", {QVariant::fromValue(action)});
    return hotkey_status::kNoError;
}

}  // namespace vantrel::gnome
