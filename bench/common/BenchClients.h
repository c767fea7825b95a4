// The Wayland benchmarks' 50 test-client windows of 10 applications: started and found by title.
#pragma once

#include <string>
#include <vector>

#include "TestProcess.h"
#include "platform/api/NativeDesktop.h"

namespace vantrel::bench {

constexpr int kWindows = 50;

// The id of "Bench window i" on the desktop; 0 when it does not list it.
native::WindowId windowTitled(native::NativeDesktop& desktop, int window);

// Starts kWindows clients of `client` (the Wayland test client), window i titled "Bench window i"
// of application org.vantrel.BenchApp(i mod 10), 300x200, and waits until each has mapped. The
// reason when it could not.
std::string startClients(const std::string& client, std::vector<testing::TestProcess>& clients);

}  // namespace vantrel::bench
