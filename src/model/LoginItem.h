// The login-item seam: whether the application starts when the user logs in.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "base/Result.h"

namespace vantrel {

class LoginItem {
  public:
    virtual ~LoginItem() = default;
    // Registers (true) or unregisters (false) the application; an error carries the
    // platform's description of what went wrong.
    virtual Status setEnabled(bool enabled) = 0;
};

// Records the wanted state instead of touching the system: tests and headless runs.
class RecordingLoginItem final : public LoginItem {
  public:
    Status setEnabled(bool wanted) override {
        requests.push_back(wanted);
        if (refusal) return Error{*refusal};
        enabled = wanted;
        return Ok{};
    }

    bool enabled = false;
    // Every state asked for, in order, refused or not.
    std::vector<bool> requests;
    // When set, every request fails with this description and the state stays.
    std::optional<std::string> refusal;
};

}  // namespace vantrel
