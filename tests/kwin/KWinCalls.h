// What the KWin tests ask of KWin itself, apart from Vantrel's script: its D-Bus, and one-off
// scripts of their own.
#pragma once

#include <QDBusMessage>
#include <QList>
#include <QVariant>
#include <string>

namespace vantrel::testing {

// A blocking call to org.kde.KWin on the session bus.
QDBusMessage callKWin(const char* path, const char* interface, const char* method,
                      const QList<QVariant>& arguments = {});
// Starts this KWin script under a plugin name of its own, unloading the one started before; KWin
// runs it soon after. The test's caller waits for its effect.
void runKWinScript(const std::string& body);

}  // namespace vantrel::testing
