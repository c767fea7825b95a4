// Writing and removing the autostart entry.
#include "app/XdgAutostartLoginItem.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <filesystem>
#include <system_error>

namespace vantrel {
namespace {

const QString kReserved = QStringLiteral(" \"'\\><~|&;$*?#()`");
// Inside double quotes these four still need a backslash.
const QString kQuotedEscapes = QStringLiteral("\"`$\\");

Error errorAt(const QString& path, const QString& reason) {
    return Error{(path + QStringLiteral(": ") + reason).toStdString()};
}

}  // namespace

std::optional<QString> desktopExecArgument(const QString& path) {
    if (!path.startsWith(u'/')) return std::nullopt;
    bool needsQuotes = false;
    for (const QChar c : path) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f) return std::nullopt;
        if (kReserved.contains(c)) needsQuotes = true;
    }
    QString argument;
    if (needsQuotes) argument += u'"';
    for (const QChar c : path) {
        if (needsQuotes && kQuotedEscapes.contains(c)) argument += u'\\';
        argument += c;
    }
    if (needsQuotes) argument += u'"';
    // The value itself is a string: its own escape level doubles every backslash, and a
    // literal percent sign must not read as a field code.
    argument.replace(u'\\', QStringLiteral("\\\\"));
    argument.replace(u'%', QStringLiteral("%%"));
    return argument;
}

XdgAutostartLoginItem::XdgAutostartLoginItem(const QString& configHome,
                                             const QString& executablePath)
    : entryPath_(configHome + QStringLiteral("/autostart/vantrel.desktop")),
      executablePath_(executablePath) {}

Status XdgAutostartLoginItem::setEnabled(bool enabled) {
    return enabled ? writeEntry() : removeEntry();
}

Status XdgAutostartLoginItem::writeEntry() const {
    const auto exec = desktopExecArgument(executablePath_);
    if (!exec) {
        return errorAt(executablePath_,
                       QStringLiteral("not an absolute path that an autostart entry can start"));
    }
    const QString folder = QFileInfo(entryPath_).path();
    std::error_code error;
    std::filesystem::create_directories(folder.toStdString(), error);
    if (error) return errorAt(folder, QString::fromStdString(error.message()));

    const QString entry =
        QStringLiteral(
            "[Desktop Entry]\n"
            "Type=Application\n"
            "Name=Vantrel\n"
            "Comment=Save and restore your window arrangements with a single click or "
            "keyboard shortcut.\n"
            "Exec=") +
        *exec + QStringLiteral("\nTerminal=false\n");
    // Written beside the entry and renamed over it, so a session never sees half an entry.
    QSaveFile file(entryPath_);
    if (!file.open(QIODevice::WriteOnly)) return errorAt(entryPath_, file.errorString());
    const QByteArray bytes = entry.toUtf8();
    if (file.write(bytes) != bytes.size()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return errorAt(entryPath_, reason);
    }
    if (!file.commit()) return errorAt(entryPath_, file.errorString());
    return Ok{};
}

Status XdgAutostartLoginItem::removeEntry() const {
    const QFileInfo info(entryPath_);
    if (!info.exists() && !info.isSymLink()) return Ok{};
    QFile file(entryPath_);
    if (!file.remove()) return errorAt(entryPath_, file.errorString());
    return Ok{};
}

}  // namespace vantrel
