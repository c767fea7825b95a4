// Reading and writing the layout records as JSON.
#include "model/LayoutJson.h"

#include <array>
#include <cstdint>
#include <utility>

#include "model/JsonRead.h"
#include "model/JsonWrite.h"

namespace vantrel {
namespace {

using json::Kind;
using json::Reader;
using json::Writer;

template <typename T, typename Read>
bool readOptional(Reader& reader, std::optional<T>& out, Read read) {
    if (reader.consumeNull()) {
        out.reset();
        return true;
    }
    T value{};
    if (!read(reader, value)) return false;
    out = std::move(value);
    return true;
}

// Options that older files lack read as false, and so does a null.
bool readFlagOrFalse(Reader& reader, bool& out) {
    if (reader.consumeNull()) {
        out = false;
        return true;
    }
    return reader.readBool(out);
}

bool readText(Reader& reader, std::string& out) {
    return reader.readString(out);
}
bool readNumber(Reader& reader, double& out) {
    return reader.readDouble(out);
}
template <typename T>
bool readWhole(Reader& reader, T& out) {
    return reader.readInteger(out);
}

bool readUuid(Reader& reader, Uuid& out) {
    std::string text;
    if (!reader.readString(text)) return false;
    const auto uuid = Uuid::parse(text);
    if (!uuid) return reader.fail("not a UUID such as \"3F2504E0-4F89-41D3-9A0C-0305E82C3301\"");
    out = *uuid;
    return true;
}

bool readDate(Reader& reader, Date& out) {
    std::string text;
    if (!reader.readString(text)) return false;
    const auto date = parseDate(text);
    if (!date) return reader.fail("not a date-time such as \"2025-03-14T09:26:53Z\"");
    out = *date;
    return true;
}

// An array of values; a failure is placed at "name", or at "name[index]" when inside an element.
template <typename T, typename Read>
bool readList(Reader& reader, std::vector<T>& out, std::string_view name, Read read) {
    out.clear();
    std::optional<std::size_t> failedAt;
    const bool ok = reader.readArray([&](std::size_t index) {
        if (read(reader, out.emplace_back())) return true;
        failedAt = index;
        return false;
    });
    if (!ok) {
        reader.prefix(failedAt ? std::string(name) + "[" + std::to_string(*failedAt) + "]"
                               : std::string(name));
    }
    return ok;
}

// How one key of a record is read. A list places its own failures ("windows[2]"); the failure
// of any other field is placed at the field's name.
template <typename T>
struct Field {
    std::string_view name;
    bool required;
    bool (*read)(Reader&, T&);
    bool placesOwnFailure = false;
};

// Reads an object into a record. Keys usually come in declaration order, so the field after the
// previous match is tried first; unknown keys are skipped.
template <typename T, std::size_t N>
bool readRecord(Reader& reader, T& out, const std::array<Field<T>, N>& fields) {
    static_assert(N <= 32, "one bit per field");
    out = T{};
    std::uint32_t seen = 0;
    std::size_t next = 0;
    const bool ok = reader.readObject([&](std::string_view key) {
        std::size_t index = next < N && fields[next].name == key ? next : 0;
        while (index < N && fields[index].name != key) ++index;
        if (index == N) return reader.skipValue();
        next = index + 1;
        const Field<T>& field = fields[index];
        if (!field.read(reader, out)) {
            if (!field.placesOwnFailure) reader.prefix(field.name);
            return false;
        }
        seen |= std::uint32_t{1} << index;
        return true;
    });
    if (!ok) return false;
    for (std::size_t i = 0; i < N; ++i) {
        if (fields[i].required && (seen & (std::uint32_t{1} << i)) == 0)
            return reader.fail("missing key \"" + std::string(fields[i].name) + "\"");
    }
    return true;
}

using D = DisplayInfo;
const std::array<Field<D>, 7> kDisplayFields{{
    {"displayID", true, [](Reader& r, D& d) { return readWhole(r, d.displayID); }},
    {"frameX", true, [](Reader& r, D& d) { return readNumber(r, d.frameX); }},
    {"frameY", true, [](Reader& r, D& d) { return readNumber(r, d.frameY); }},
    {"frameWidth", true, [](Reader& r, D& d) { return readNumber(r, d.frameWidth); }},
    {"frameHeight", true, [](Reader& r, D& d) { return readNumber(r, d.frameHeight); }},
    {"isMain", true, [](Reader& r, D& d) { return r.readBool(d.isMain); }},
    {"name", false, [](Reader& r, D& d) { return readOptional(r, d.name, readText); }},
}};

bool readDisplayInfo(Reader& reader, DisplayInfo& out) {
    return readRecord(reader, out, kDisplayFields);
}

using C = DisplayConfiguration;
const std::array<Field<C>, 1> kConfigurationFields{{
    {"displays", true,
     [](Reader& r, C& c) { return readList(r, c.displays, "displays", readDisplayInfo); }, true},
}};

bool readDisplayConfiguration(Reader& reader, DisplayConfiguration& out) {
    return readRecord(reader, out, kConfigurationFields);
}

using W = WindowState;
const std::array<Field<W>, 19> kWindowFields{{
    {"appBundleID", true, [](Reader& r, W& w) { return readText(r, w.appBundleID); }},
    {"appName", true, [](Reader& r, W& w) { return readText(r, w.appName); }},
    {"windowTitle", false,
     [](Reader& r, W& w) { return readOptional(r, w.windowTitle, readText); }},
    {"windowIndex", true, [](Reader& r, W& w) { return readWhole(r, w.windowIndex); }},
    {"frameX", true, [](Reader& r, W& w) { return readNumber(r, w.frameX); }},
    {"frameY", true, [](Reader& r, W& w) { return readNumber(r, w.frameY); }},
    {"frameWidth", true, [](Reader& r, W& w) { return readNumber(r, w.frameWidth); }},
    {"frameHeight", true, [](Reader& r, W& w) { return readNumber(r, w.frameHeight); }},
    {"displayID", true, [](Reader& r, W& w) { return readWhole(r, w.displayID); }},
    {"isMinimized", true, [](Reader& r, W& w) { return r.readBool(w.isMinimized); }},
    {"isFullscreen", true, [](Reader& r, W& w) { return r.readBool(w.isFullscreen); }},
    {"spaceIndex", false,
     [](Reader& r, W& w) { return readOptional(r, w.spaceIndex, readWhole<std::int64_t>); }},
    {"spaceUUID", false, [](Reader& r, W& w) { return readOptional(r, w.spaceUUID, readText); }},
    {"isOnAllSpaces", false, [](Reader& r, W& w) { return readFlagOrFalse(r, w.isOnAllSpaces); }},
    {"windowNumber", false,
     [](Reader& r, W& w) { return readOptional(r, w.windowNumber, readWhole<std::uint32_t>); }},
    {"relativeFrameX", false,
     [](Reader& r, W& w) { return readOptional(r, w.relativeFrameX, readNumber); }},
    {"relativeFrameY", false,
     [](Reader& r, W& w) { return readOptional(r, w.relativeFrameY, readNumber); }},
    {"relativeFrameWidth", false,
     [](Reader& r, W& w) { return readOptional(r, w.relativeFrameWidth, readNumber); }},
    {"relativeFrameHeight", false,
     [](Reader& r, W& w) { return readOptional(r, w.relativeFrameHeight, readNumber); }},
}};

bool readWindowState(Reader& reader, WindowState& out) {
    return readRecord(reader, out, kWindowFields);
}

using L = WindowLayout;
const std::array<Field<L>, 13> kLayoutFields{{
    {"id", true, [](Reader& r, L& l) { return readUuid(r, l.id); }},
    {"name", true, [](Reader& r, L& l) { return readText(r, l.name); }},
    {"shortcutKeyCode", false,
     [](Reader& r, L& l) { return readOptional(r, l.shortcutKeyCode, readWhole<std::uint16_t>); }},
    {"shortcutModifiers", false,
     [](Reader& r, L& l) {
         return readOptional(r, l.shortcutModifiers, readWhole<std::uint64_t>);
     }},
    {"windows", true,
     [](Reader& r, L& l) { return readList(r, l.windows, "windows", readWindowState); }, true},
    {"displayConfiguration", false,
     [](Reader& r, L& l) {
         return readOptional(r, l.displayConfiguration, readDisplayConfiguration);
     }},
    {"triggerOnDisplayChange", true,
     [](Reader& r, L& l) { return r.readBool(l.triggerOnDisplayChange); }},
    {"triggerApps", true,
     [](Reader& r, L& l) { return readList(r, l.triggerApps, "triggerApps", readText); }, true},
    {"launchMissingApps", false,
     [](Reader& r, L& l) { return readFlagOrFalse(r, l.launchMissingApps); }},
    {"closeOtherApps", false, [](Reader& r, L& l) { return readFlagOrFalse(r, l.closeOtherApps); }},
    {"restoreAtLogin", false, [](Reader& r, L& l) { return readFlagOrFalse(r, l.restoreAtLogin); }},
    {"createdAt", true, [](Reader& r, L& l) { return readDate(r, l.createdAt); }},
    {"modifiedAt", true, [](Reader& r, L& l) { return readDate(r, l.modifiedAt); }},
}};

bool readWindowLayout(Reader& reader, WindowLayout& out) {
    return readRecord(reader, out, kLayoutFields);
}

// A whole text holding one value read by `read`.
template <typename T, typename Read>
Result<T> decodeText(std::string_view text, Read read) {
    Reader reader(text);
    T value{};
    if (!read(reader, value) || !reader.finish()) return Error{reader.errorMessage()};
    return value;
}

// --- Writing. A write fails only at a number JSON cannot hold; `error` then says where.

bool writeNumber(Writer& writer, std::string_view key, double value, std::string& error) {
    writer.key(key);
    if (writer.number(value)) return true;
    error = std::string(key) + ": not a finite number";
    return false;
}

bool writeOptionalNumber(Writer& writer, std::string_view key, const std::optional<double>& value,
                         std::string& error) {
    return !value || writeNumber(writer, key, *value, error);
}

void writeOptionalText(Writer& writer, std::string_view key,
                       const std::optional<std::string>& value) {
    if (!value) return;
    writer.key(key);
    writer.string(*value);
}

bool writeDisplayInfo(Writer& writer, const DisplayInfo& display, std::string& error) {
    writer.beginObject();
    writer.key("displayID");
    writer.unsignedInteger(display.displayID);
    if (!writeNumber(writer, "frameX", display.frameX, error) ||
        !writeNumber(writer, "frameY", display.frameY, error) ||
        !writeNumber(writer, "frameWidth", display.frameWidth, error) ||
        !writeNumber(writer, "frameHeight", display.frameHeight, error))
        return false;
    writer.key("isMain");
    writer.boolean(display.isMain);
    writeOptionalText(writer, "name", display.name);
    writer.endObject();
    return true;
}

bool writeDisplayConfiguration(Writer& writer, const DisplayConfiguration& configuration,
                               std::string& error) {
    writer.beginObject();
    writer.key("displays");
    writer.beginArray();
    for (std::size_t i = 0; i < configuration.displays.size(); ++i) {
        if (!writeDisplayInfo(writer, configuration.displays[i], error)) {
            error.insert(0, "displays[" + std::to_string(i) + "]: ");
            return false;
        }
    }
    writer.endArray();
    writer.endObject();
    return true;
}

bool writeWindowState(Writer& writer, const WindowState& window, std::string& error) {
    writer.beginObject();
    writer.key("appBundleID");
    writer.string(window.appBundleID);
    writer.key("appName");
    writer.string(window.appName);
    writeOptionalText(writer, "windowTitle", window.windowTitle);
    writer.key("windowIndex");
    writer.integer(window.windowIndex);
    if (!writeNumber(writer, "frameX", window.frameX, error) ||
        !writeNumber(writer, "frameY", window.frameY, error) ||
        !writeNumber(writer, "frameWidth", window.frameWidth, error) ||
        !writeNumber(writer, "frameHeight", window.frameHeight, error))
        return false;
    writer.key("displayID");
    writer.unsignedInteger(window.displayID);
    writer.key("isMinimized");
    writer.boolean(window.isMinimized);
    writer.key("isFullscreen");
    writer.boolean(window.isFullscreen);
    if (window.spaceIndex) {
        writer.key("spaceIndex");
        writer.integer(*window.spaceIndex);
    }
    writeOptionalText(writer, "spaceUUID", window.spaceUUID);
    writer.key("isOnAllSpaces");
    writer.boolean(window.isOnAllSpaces);
    if (window.windowNumber) {
        writer.key("windowNumber");
        writer.unsignedInteger(*window.windowNumber);
    }
    if (!writeOptionalNumber(writer, "relativeFrameX", window.relativeFrameX, error) ||
        !writeOptionalNumber(writer, "relativeFrameY", window.relativeFrameY, error) ||
        !writeOptionalNumber(writer, "relativeFrameWidth", window.relativeFrameWidth, error) ||
        !writeOptionalNumber(writer, "relativeFrameHeight", window.relativeFrameHeight, error))
        return false;
    writer.endObject();
    return true;
}

bool writeWindowLayout(Writer& writer, const WindowLayout& layout, std::string& error) {
    writer.beginObject();
    writer.key("id");
    writer.string(layout.id.toString());
    writer.key("name");
    writer.string(layout.name);
    if (layout.shortcutKeyCode) {
        writer.key("shortcutKeyCode");
        writer.unsignedInteger(*layout.shortcutKeyCode);
    }
    if (layout.shortcutModifiers) {
        writer.key("shortcutModifiers");
        writer.unsignedInteger(*layout.shortcutModifiers);
    }
    writer.key("windows");
    writer.beginArray();
    for (std::size_t i = 0; i < layout.windows.size(); ++i) {
        if (!writeWindowState(writer, layout.windows[i], error)) {
            error.insert(0, "windows[" + std::to_string(i) + "]: ");
            return false;
        }
    }
    writer.endArray();
    if (layout.displayConfiguration) {
        writer.key("displayConfiguration");
        if (!writeDisplayConfiguration(writer, *layout.displayConfiguration, error)) {
            error.insert(0, "displayConfiguration: ");
            return false;
        }
    }
    writer.key("triggerOnDisplayChange");
    writer.boolean(layout.triggerOnDisplayChange);
    writer.key("triggerApps");
    writer.beginArray();
    for (const auto& app : layout.triggerApps) writer.string(app);
    writer.endArray();
    writer.key("launchMissingApps");
    writer.boolean(layout.launchMissingApps);
    writer.key("closeOtherApps");
    writer.boolean(layout.closeOtherApps);
    if (layout.restoreAtLogin) {
        writer.key("restoreAtLogin");
        writer.boolean(true);
    }
    writer.key("createdAt");
    writer.string(formatDate(layout.createdAt));
    writer.key("modifiedAt");
    writer.string(formatDate(layout.modifiedAt));
    writer.endObject();
    return true;
}

template <typename T, typename Write>
Result<std::string> encodeText(const T& value, Write write) {
    std::string text;
    Writer writer(text);
    std::string error;
    if (!write(writer, value, error)) return Error{error};
    return text;
}

}  // namespace

Result<std::vector<WindowLayout>> decodeLayoutFile(std::string_view text) {
    if (text.size() > kMaxLayoutFileBytes) {
        return Error{"the document is too large (" + std::to_string(text.size()) +
                     " bytes, the limit is " + std::to_string(kMaxLayoutFileBytes) + ")"};
    }
    Reader reader(text);
    const Kind kind = reader.peek();
    if (kind != Kind::array && kind != Kind::invalid)
        return Error{"expected an array of layouts, found " + std::string(json::describe(kind))};
    std::vector<WindowLayout> layouts;
    std::optional<std::size_t> failedAt;
    const bool ok = reader.readArray([&](std::size_t index) {
        if (readWindowLayout(reader, layouts.emplace_back())) return true;
        failedAt = index;
        return false;
    });
    if (!ok || !reader.finish()) {
        if (failedAt) reader.prefix("layout " + std::to_string(*failedAt));
        return Error{reader.errorMessage()};
    }
    return layouts;
}

Result<std::string> encodeLayoutFile(const std::vector<WindowLayout>& layouts) {
    // About what each record takes when written, to spare most reallocations.
    std::size_t estimate = 16;
    for (const auto& layout : layouts) estimate += 1024 + layout.windows.size() * 800;
    std::string text;
    text.reserve(estimate);
    Writer writer(text);
    writer.beginArray();
    for (std::size_t i = 0; i < layouts.size(); ++i) {
        std::string error;
        if (!writeWindowLayout(writer, layouts[i], error))
            return Error{"layout " + std::to_string(i) + ": " + error};
    }
    writer.endArray();
    text.push_back('\n');
    return text;
}

Result<std::string> encodeJson(const WindowLayout& layout) {
    return encodeText(layout, writeWindowLayout);
}
Result<std::string> encodeJson(const WindowState& window) {
    return encodeText(window, writeWindowState);
}
Result<std::string> encodeJson(const DisplayConfiguration& configuration) {
    return encodeText(configuration, writeDisplayConfiguration);
}
Result<std::string> encodeJson(const DisplayInfo& display) {
    return encodeText(display, writeDisplayInfo);
}

Result<WindowLayout> decodeWindowLayout(std::string_view text) {
    return decodeText<WindowLayout>(text, readWindowLayout);
}
Result<WindowState> decodeWindowState(std::string_view text) {
    return decodeText<WindowState>(text, readWindowState);
}
Result<DisplayConfiguration> decodeDisplayConfiguration(std::string_view text) {
    return decodeText<DisplayConfiguration>(text, readDisplayConfiguration);
}
Result<DisplayInfo> decodeDisplayInfo(std::string_view text) {
    return decodeText<DisplayInfo>(text, readDisplayInfo);
}

}  // namespace vantrel
