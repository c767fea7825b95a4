// Vantrel's end of the GNOME Shell extension's bus interface (app.vantrel.Shell1,
// docs/gnome-extension.md): its calls, and its signals heard on a thread of the client's own.
#pragma once

#include <QDBusMessage>
#include <QVariantList>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "base/Log.h"
#include "base/Result.h"

namespace vantrel::gnome {

inline constexpr const char* kShellService = "app.vantrel.Shell";
inline constexpr const char* kShellPath = "/app/vantrel/Shell";
inline constexpr const char* kShellInterface = "app.vantrel.Shell1";
inline constexpr const char* kNoSuchWindow = "app.vantrel.Shell1.Error.NoSuchWindow";

// Signals arrive on the client's own thread, so a caller waiting for a change they announce (on
// the main thread or the restore's worker) never blocks their delivery. Handlers run there, one
// at a time; they may call the extension.
struct ShellHandlers {
    std::function<void()> windowsChanged;
    std::function<void()> monitorsChanged;
    std::function<void()> workspaceChanged;
    std::function<void(const std::string& json)> appStarted;
    std::function<void(std::uint32_t action)> acceleratorActivated;
    // The extension's name came onto the bus (at start, and after the screen was unlocked).
    std::function<void()> appeared;
    std::function<void()> vanished;
};

class ShellReceiver;

class GnomeShell {
  public:
    explicit GnomeShell(Log& log);
    GnomeShell(const GnomeShell&) = delete;
    GnomeShell& operator=(const GnomeShell&) = delete;
    ~GnomeShell();

    // Starts the client's thread and follows the extension's signals and its name; `appeared`
    // runs at once when the extension is there already. The reason when it could not.
    Status start(ShellHandlers handlers);
    // Ends the thread: no handler runs after it returned (their owners may go then).
    void stop();

    // Calls one method on the session-bus connection that registered and waits for the reply
    // (any thread): a reply or an error message, never an exception.
    QDBusMessage call(const char* method, const QVariantList& arguments = {}) const;

  private:
    std::unique_ptr<ShellReceiver> receiver_;
    Log& log_;
};

}  // namespace vantrel::gnome
