// Launch at login as an XDG autostart entry: <config home>/autostart/vantrel.desktop.
#pragma once

#include <QString>
#include <optional>

#include "model/LoginItem.h"

namespace vantrel {

class XdgAutostartLoginItem final : public LoginItem {
  public:
    // executablePath: the absolute path of the installed binary that the entry starts.
    XdgAutostartLoginItem(const QString& configHome, const QString& executablePath);

    QString entryPath() const { return entryPath_; }

    // Enabling writes the entry whole or not at all; disabling removes it (and is fine when
    // there is none).
    Status setEnabled(bool enabled) override;

  private:
    Status writeEntry() const;
    Status removeEntry() const;

    QString entryPath_;
    QString executablePath_;
};

// The path as one Exec argument of a desktop entry: quoted when it holds a reserved
// character, escaped for the quoting and then for the string value. Absent for a path that is
// not absolute or holds a control character, which an entry cannot carry.
std::optional<QString> desktopExecArgument(const QString& path);

}  // namespace vantrel
