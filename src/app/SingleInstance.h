// One Vantrel per user and X display: a later start asks the running one to show its popover.
#pragma once

#include <QLocalServer>
#include <QLockFile>
#include <QString>
#include <functional>
#include <memory>

namespace vantrel {

class SingleInstance {
  public:
    enum class Role {
        // This process runs Vantrel: it holds the lock and listens for later starts.
        primary,
        // Another Vantrel runs for this user and display; it was asked to show itself.
        secondary,
    };

    // `socketPath` names the local socket; its lock file sits next to it. Touches nothing yet.
    explicit SingleInstance(QString socketPath);
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;
    ~SingleInstance();

    // The socket for this user on the display `display` names (":0.0" and ":0" are one display),
    // in `runtimeDir` when that is an absolute path, else in the temporary folder.
    static QString socketPathFor(const QString& runtimeDir, const QString& display);
    // The same for this process: $XDG_RUNTIME_DIR and $DISPLAY.
    static QString defaultSocketPath();

    // Decides which instance this process is. Only a live process of this user holds the lock: a
    // lock left by a process that has ended, one without a readable holder, another user's and
    // a socket file left behind by a crash are cleared, so they never block start-up. When the
    // guard itself cannot work (no writable folder, a lock that cannot be removed), this process
    // runs as the primary.
    Role claim();

    // Run on the main thread when a later start asks this (primary) instance to show itself,
    // and when `vantrel --quit` asks it to quit.
    std::function<void()> onActivate;
    std::function<void()> onQuit;

    // The lines a later start sends.
    static constexpr const char* kShowMessage = "show";
    static constexpr const char* kQuitMessage = "quit";

    // Sends one line to the instance listening at `socketPath`, waiting a moment for one that
    // is still starting; false when none answered.
    static bool tell(const QString& socketPath, const char* message);

  private:
    void listen();

    QString socketPath_;
    std::unique_ptr<QLockFile> lock_;
    std::unique_ptr<QLocalServer> server_;
};

}  // namespace vantrel
