// The JSON form of the layout records and of the layout file (a JSON array of layouts).
//
// Writing: keys in declaration order, absent optionals left out, booleans always written, UUIDs
// in upper case, dates as whole-second UTC ("2025-03-14T09:26:53Z"), indented one key per line.
//
// Reading is strict, and a failure rejects the whole text (no partial result): required keys
// must be present, values must have their JSON type, integers must be whole and within their
// field's range (5.0 and 0.5e1 count as the whole number 5; 5.5 does not). A null counts as
// missing for optional keys; unknown keys are ignored. UUIDs are read in either case; dates as
// parseDate reads them (RFC 3339 with optional fraction and offset). Error messages say what
// and where: "layout 3: windows[2]: missing key "frameX"" (indices count from 0).
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/Result.h"
#include "model/JsonDate.h"
#include "model/WindowLayout.h"

namespace vantrel {

// Larger texts are refused unread: 1,000 layouts of 20 windows take about 15 MB.
inline constexpr std::size_t kMaxLayoutFileBytes = 64 * 1024 * 1024;

// The layout file. Encoding fails only for a number that JSON cannot hold (infinite or NaN).
Result<std::string> encodeLayoutFile(const std::vector<WindowLayout>& layouts);
Result<std::vector<WindowLayout>> decodeLayoutFile(std::string_view text);

// The records one by one, in the same form as inside the file.
Result<std::string> encodeJson(const WindowLayout& layout);
Result<std::string> encodeJson(const WindowState& window);
Result<std::string> encodeJson(const DisplayConfiguration& configuration);
Result<std::string> encodeJson(const DisplayInfo& display);
Result<WindowLayout> decodeWindowLayout(std::string_view text);
Result<WindowState> decodeWindowState(std::string_view text);
Result<DisplayConfiguration> decodeDisplayConfiguration(std::string_view text);
Result<DisplayInfo> decodeDisplayInfo(std::string_view text);

}  // namespace vantrel
