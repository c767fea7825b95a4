// Brings the desk back after a log-in: the layouts marked "restore at log-in" are restored once,
// when Vantrel starts and the window manager is ready, launching their missing applications.
#pragma once

#include <memory>
#include <vector>

#include "automation/LayoutCommands.h"
#include "base/Log.h"
#include "base/MainQueue.h"
#include "base/Subscription.h"
#include "engine/WindowService.h"

namespace vantrel {

class LoginRestore {
  public:
    LoginRestore(LayoutCommands& commands, WindowService& windowService, MainQueue& mainQueue,
                 Log& log);
    LoginRestore(const LoginRestore&) = delete;
    LoginRestore& operator=(const LoginRestore&) = delete;
    ~LoginRestore();

    // Main thread, once at start-up: restores now when the window manager is ready, else as soon
    // as it is. Layouts are restored one after the other, each once its windows are placed.
    void start();

  private:
    void run();
    void restoreNext(std::vector<WindowLayout> pending);

    LayoutCommands& commands_;
    WindowService& windowService_;
    MainQueue& mainQueue_;
    Log& log_;
    Subscription ready_;
    bool ran_ = false;
    std::shared_ptr<LoginRestore*> self_;
};

}  // namespace vantrel
