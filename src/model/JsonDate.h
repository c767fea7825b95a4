// Dates in layout files: whole-second UTC text such as "2025-03-14T09:26:53Z".
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "base/Time.h"

namespace vantrel {

// The date in whole seconds (the fraction is dropped), UTC, e.g. "2025-03-14T09:26:53Z".
std::string formatDate(Date date);

// An RFC 3339 date-time: "2025-03-14T09:26:53Z". A fraction of a second is accepted and dropped;
// an offset ("+01:00") is accepted and converted to UTC; "T" and "Z" may be lower case; second
// 60 (a leap second) is the first second of the next minute. Absent when malformed or outside
// the range of Date (the years 1678 to 2261 are always within it).
std::optional<Date> parseDate(std::string_view text);

}  // namespace vantrel
