// The desktop of GNOME Shell on Wayland behind the platform seam, through Vantrel's GNOME Shell
// extension (docs/gnome-extension.md).
#pragma once

#include <nlohmann/json.hpp>

#include <QDBusMessage>

#include "platform/compositor/CompositorDesktop.h"
#include "platform/gnome/GnomeShell.h"

namespace vantrel::gnome {

// The model follows the extension's signals: each one reloads what it announced, on the shell
// client's thread, so snapshot() never waits on the bus. Every write is a call to the extension.
class GnomeDesktop final : public compositor::CompositorDesktop {
  public:
    GnomeDesktop(Log& log, MainQueue& mainQueue, Clock& clock, GnomeShell& shell,
                 compositor::CompositorOptions options = {});

    // The handlers' part of the desktop (the shell client's thread): registers and reads the
    // whole desktop when the extension appears, forgets it when it goes, reloads on signals.
    void appeared();
    void vanished();
    void windowsChanged();
    void monitorsChanged();
    void appStarted(const std::string& json);

    native::Identity identity() const override;
    // Nothing Vantrel can ask for: the user enables the extension (the UI says how).
    void requestAccess() override {}

  private:
    std::optional<std::string> send(const Request& request) override;
    // The JSON text a listing answered; discarded (null) on any error.
    nlohmann::json list(const char* method);

    GnomeShell& shell_;
};

}  // namespace vantrel::gnome
