// Helpers of the seam's value types.
#include "engine/WindowSystemTypes.h"

namespace vantrel {

std::string toString(AXError error) {
    return std::to_string(static_cast<std::int32_t>(error));
}

const PreferenceValue* PreferenceValue::find(std::string_view key) const {
    const auto* dictionary = as<Dictionary>();
    if (dictionary == nullptr) return nullptr;
    for (const auto& entry : *dictionary)
        if (entry.key == key) return &entry.value;
    return nullptr;
}

}  // namespace vantrel
