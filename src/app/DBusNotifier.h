// Desktop notifications through the session bus's notification service (freedesktop.org).
#pragma once

#include <QString>

#include "automation/UserNotifier.h"
#include "base/Log.h"

namespace vantrel {

// Sends each notice without waiting for the answer; a bus or service that fails is logged with
// its reason. The session bus is reached on first use, not when made.
class DBusNotifier final : public UserNotifier {
  public:
    explicit DBusNotifier(Log& log) : log_(log) {}
    void notify(const std::string& title, const std::string& body) override;

  private:
    Log& log_;
};

}  // namespace vantrel
