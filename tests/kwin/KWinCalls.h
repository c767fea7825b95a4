// What the KWin tests and benchmarks ask of KWin itself, apart from Vantrel's script: its D-Bus,
// kglobalaccel's, and one-off scripts of their own.
#pragma once

#include <QDBusMessage>
#include <QList>
#include <QVariant>
#include <QVariantMap>
#include <string>

namespace vantrel::testing {

// A blocking call to org.kde.KWin on the session bus.
QDBusMessage callKWin(const char* path, const char* interface, const char* method,
                      const QList<QVariant>& arguments = {});
// KWin's own account of the window with this internalId (getWindowInfo); empty when unknown.
QVariantMap kwinWindowInfo(const std::string& uuid);
// Invokes an action of KWin's component through kglobalaccel, as KDE's shortcut machinery does
// for a key press; whether kglobalaccel took the call.
bool invokeKWinShortcut(const char* action);
// Starts this KWin script under a plugin name of its own, unloading the one started before; KWin
// runs it soon after. The test's caller waits for its effect.
void runKWinScript(const std::string& body);

}  // namespace vantrel::testing
