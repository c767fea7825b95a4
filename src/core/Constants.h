// Fixed texts and links of the program: its name, web site, support address and update feed.
#pragma once

namespace vantrel::constants {

inline constexpr const char* kAppName = "Vantrel";
inline constexpr const char* kWebsiteURL = "https://vantrel.app";
inline constexpr const char* kSupportURL = "mailto:support@vantrel.app";
// The update feed; see update/qt/AppcastParser.h for its form.
inline constexpr const char* kAppcastURL = "https://vantrel.app/appcast.xml";

}  // namespace vantrel::constants
