// Fixed texts and links shared by the windows.
#pragma once

namespace vantrel::ui {

inline constexpr const char* kAppName = "Vantrel";
inline constexpr const char* kWebsiteURL = "https://vantrel.app";
inline constexpr const char* kSupportURL = "mailto:support@vantrel.app";

}  // namespace vantrel::ui
