// Display ids and model names from a panel's EDID, the same under every Linux backend.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vantrel::freedesktop {

// A 32-bit display id that survives restarts: from the EDID's vendor, product and serial when
// there is an EDID, else from the monitor's name. Never 0.
std::uint32_t displayId(const std::vector<std::uint8_t>& edid, std::string_view name);
// The model name of the EDID's monitor-name descriptor, if any.
std::optional<std::string> edidModelName(const std::vector<std::uint8_t>& edid);
// The bytes of an EDID written as hex digits (two a byte, either case), or nothing when the text
// is not that or is longer than any EDID (64 KiB).
std::optional<std::vector<std::uint8_t>> edidFromHex(std::string_view hex);

}  // namespace vantrel::freedesktop
