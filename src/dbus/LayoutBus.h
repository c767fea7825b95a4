// The session-bus service of the running instance: the layout use cases for scripts and the
// `vantrel` command line, as a thin adapter over LayoutCommands.
#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <optional>
#include <string>

#include "automation/LayoutCommands.h"
#include "base/NotificationCenter.h"
#include "base/Subscription.h"

namespace vantrel::bus {

// Calls arrive on Qt D-Bus's own thread and are handed to the main thread, where every use case
// runs; calls that ask the desktop answer when the command layer's work has ended (a delayed
// reply), so a caller learns the outcome, never only that the work was queued.
class LayoutBus final : public QDBusVirtualObject {
  public:
    LayoutBus(LayoutCommands& commands, NotificationCenter& notifications,
              QDBusConnection connection);
    LayoutBus(const LayoutBus&) = delete;
    LayoutBus& operator=(const LayoutBus&) = delete;
    ~LayoutBus() override;

    // Registers the object and then the well-known name; the reason when either failed.
    std::optional<std::string> publish();

    QString introspect(const QString& path) const override;
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override;

  private:
    void dispatch(const QDBusMessage& call);
    void list(const QDBusMessage& call);
    void restore(const QDBusMessage& call);
    void save(const QDBusMessage& call);
    void recapture(const QDBusMessage& call);
    void remove(const QDBusMessage& call);
    void applyPreset(const QDBusMessage& call);
    void exportLayouts(const QDBusMessage& call);
    void importLayouts(const QDBusMessage& call);
    // The one listed layout the call's first argument names; none when an error was sent.
    std::optional<WindowLayout> named(const QDBusMessage& call);
    // The options of Restore; none when an error was sent.
    std::optional<RestoreOptions> restoreOptions(const QDBusMessage& call);
    void signal(const char* name, const QList<QVariant>& arguments);

    LayoutCommands& commands_;
    QDBusConnection connection_;
    bool registered_ = false;
    Subscription changed_;
    Subscription finished_;
};

}  // namespace vantrel::bus
