// The names Vantrel is reached by on the session bus, shared by the service and the command line.
#pragma once

namespace vantrel::bus {

inline constexpr const char* kService = "app.vantrel.Vantrel";
inline constexpr const char* kPath = "/app/vantrel/Vantrel";
inline constexpr const char* kInterface = "app.vantrel.Vantrel.Layouts";

// The errors a call may end with; each carries a sentence for the user.
namespace error {
inline constexpr const char* kNoSuchLayout = "app.vantrel.Vantrel.Error.NoSuchLayout";
inline constexpr const char* kAmbiguousName = "app.vantrel.Vantrel.Error.AmbiguousName";
inline constexpr const char* kNoAccess = "app.vantrel.Vantrel.Error.NoWindowManagerAccess";
inline constexpr const char* kInvalidArgument = "app.vantrel.Vantrel.Error.InvalidArgument";
inline constexpr const char* kInvalidFile = "app.vantrel.Vantrel.Error.InvalidFile";
inline constexpr const char* kOtherWorkspace = "app.vantrel.Vantrel.Error.OtherWorkspace";
inline constexpr const char* kCancelled = "app.vantrel.Vantrel.Error.Cancelled";
inline constexpr const char* kFailed = "app.vantrel.Vantrel.Error.Failed";
}  // namespace error

}  // namespace vantrel::bus
