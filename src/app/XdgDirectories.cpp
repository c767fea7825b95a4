// Configuration folder lookup through Qt, which applies the XDG base-directory rules.
#include "app/XdgDirectories.h"

#include <QStandardPaths>

namespace vantrel {

QString xdgConfigHome() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
}

}  // namespace vantrel
