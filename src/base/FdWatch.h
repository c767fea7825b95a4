// Watching a file descriptor for input from the main loop (the X connection).
#pragma once

#include <functional>

#include "base/Subscription.h"

namespace vantrel {

class FdWatch {
  public:
    virtual ~FdWatch() = default;
    // Calls `onReadable` on the main thread whenever `fd` has input, until the subscription ends.
    [[nodiscard]] virtual Subscription watchReadable(int fd, std::function<void()> onReadable) = 0;
};

}  // namespace vantrel
