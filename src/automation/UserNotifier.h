// The seam for desktop notifications: how restores the user did not start from the menu report.
#pragma once

#include <string>

namespace vantrel {

// Shows a passing notice that takes no focus. Called on the main thread; never blocks on it.
class UserNotifier {
  public:
    virtual ~UserNotifier() = default;
    virtual void notify(const std::string& title, const std::string& body) = 0;
};

}  // namespace vantrel
