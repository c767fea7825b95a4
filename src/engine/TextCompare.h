// Text equality as users read it: canonically equivalent Unicode texts are equal.
#pragma once

#include <string_view>

namespace vantrel {

// True when the two UTF-8 texts are equal after canonical (NFC) normalization. Texts that are not
// valid UTF-8 are equal only byte for byte. Case and width differences still count.
bool canonicallyEqual(std::string_view a, std::string_view b);

}  // namespace vantrel
