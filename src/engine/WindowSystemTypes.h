// The values that cross the platform seam: elements, attribute values, applications, screens,
// window-server entries and the Spaces preference tree.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "base/Geometry.h"
#include "base/Time.h"

namespace vantrel {

// Result codes of accessibility reads and writes; 0 is success, the rest are the platform's.
enum class AXError : std::int32_t {
    success = 0,
    failure = -25200,
    illegalArgument = -25201,
    invalidUIElement = -25202,
    cannotComplete = -25204,
    attributeUnsupported = -25205,
    notImplemented = -25208,
    apiDisabled = -25211,
    noValue = -25212,
};

// The error as it appears in log lines: its numeric code.
std::string toString(AXError error);

// What a backend keeps behind an element handle; the engine never looks inside.
class ElementData {
  public:
    virtual ~ElementData() = default;
};

// An accessibility element: an application or one of its windows. Null when it refers to nothing.
using Element = std::shared_ptr<const ElementData>;

// A window's whole frame to write at once: its top-left position (y down) and its size, sent
// after `delay`.
struct FrameWrite {
    Element window;
    Point position;
    Size size;
    Duration delay{};
};

// Attribute names the engine reads and writes.
namespace attribute {
inline constexpr std::string_view kWindows = "AXWindows";
inline constexpr std::string_view kTitle = "AXTitle";
inline constexpr std::string_view kMain = "AXMain";
inline constexpr std::string_view kPosition = "AXPosition";
inline constexpr std::string_view kSize = "AXSize";
inline constexpr std::string_view kMinimized = "AXMinimized";
inline constexpr std::string_view kFullScreen = "AXFullScreen";
inline constexpr std::string_view kFocusedWindow = "AXFocusedWindow";
}  // namespace attribute

// A value of a kind the engine does not use (a number, a date, a mixed list ...).
struct OtherValue {
    friend bool operator==(const OtherValue&, const OtherValue&) = default;
};

// An attribute value: a boolean, a text, a point or size value, an element, a list of elements,
// or something else.
using AttributeValue =
    std::variant<OtherValue, bool, std::string, Point, Size, Element, std::vector<Element>>;

// The outcome of one attribute read: an error code and, on success, a value or none.
struct AttributeRead {
    AXError error = AXError::success;
    std::optional<AttributeValue> value;

    bool ok() const { return error == AXError::success; }
    // The value when the read succeeded and it is of kind T.
    template <typename T>
    const T* as() const {
        if (!ok() || !value) return nullptr;
        return std::get_if<T>(&*value);
    }
};

// How an application takes part in the desktop; only regular ones own ordinary windows.
enum class ActivationPolicy : std::int64_t { regular = 0, accessory = 1, prohibited = 2 };

// One running application as the workspace lists it.
struct RunningApplication {
    // The backend's key for this application instance (one application may span processes).
    std::uint64_t handle = 0;
    std::optional<std::string> bundleID;
    std::optional<std::string> localizedName;
    std::int32_t processIdentifier = 0;
    ActivationPolicy activationPolicy = ActivationPolicy::regular;
    bool isHidden = false;

    friend bool operator==(const RunningApplication&, const RunningApplication&) = default;
};

// One connected screen. Frames are in the global screen space (bottom-left origin, y up).
struct Screen {
    Rect frame;
    Rect visibleFrame;  // the frame less panels, menu bars and docks
    std::optional<std::uint32_t> screenNumber;
    std::optional<std::string> localizedName;

    friend bool operator==(const Screen&, const Screen&) = default;
};

// The screens in the platform's order and which of them is the main one, if any.
struct ScreenList {
    std::vector<Screen> screens;
    std::optional<std::size_t> mainIndex;

    const Screen* mainScreen() const {
        return mainIndex && *mainIndex < screens.size() ? &screens[*mainIndex] : nullptr;
    }
};

// The bounds of a window-server entry, in the accessibility space; each value may be missing.
struct WindowBounds {
    std::optional<double> x;
    std::optional<double> y;
    std::optional<double> width;
    std::optional<double> height;
};

// One on-screen window as the window server lists it; every field may be missing.
struct WindowServerEntry {
    std::optional<std::uint32_t> number;
    std::optional<std::int32_t> ownerPID;
    std::optional<std::int64_t> layer;
    std::optional<WindowBounds> bounds;
};

// A property-list value: the form of the system's Spaces preferences. Dictionaries keep the order
// in which the platform hands out their entries.
struct PreferenceValue {
    struct Entry;
    using List = std::vector<PreferenceValue>;
    using Dictionary = std::vector<Entry>;

    std::variant<std::monostate, bool, std::int64_t, double, std::string, List, Dictionary> data;

    template <typename T>
    const T* as() const {
        return std::get_if<T>(&data);
    }
    // The value under `key` when this is a dictionary holding it.
    const PreferenceValue* find(std::string_view key) const;
};

struct PreferenceValue::Entry {
    std::string key;
    PreferenceValue value;
};

}  // namespace vantrel
