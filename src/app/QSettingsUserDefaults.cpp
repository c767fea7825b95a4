// QSettings values mapped to and from user-defaults values.
#include "app/QSettingsUserDefaults.h"

#include <QByteArray>
#include <QSettings>
#include <QStringList>
#include <QVariant>

namespace vantrel {
namespace {

QString keyOf(std::string_view key) {
    return QString::fromUtf8(key.data(), static_cast<qsizetype>(key.size()));
}

// The INI format keeps no types: a Boolean is written as the bare word true or false and
// comes back as that text after a restart (within one process QSettings still hands back the
// bool it cached). Both words are therefore read as Booleans; other text stays text.
DefaultsValue fromText(const QString& text) {
    if (text == QLatin1String("true")) return true;
    if (text == QLatin1String("false")) return false;
    return text.toStdString();
}

}  // namespace

QSettingsUserDefaults::QSettingsUserDefaults(const QString& configHome)
    : filePath_(configHome + QStringLiteral("/Vantrel/Vantrel.conf")) {}

QSettingsUserDefaults::~QSettingsUserDefaults() = default;

QSettings& QSettingsUserDefaults::settings() const {
    if (!settings_) settings_ = std::make_unique<QSettings>(filePath_, QSettings::IniFormat);
    return *settings_;
}

DefaultsValue QSettingsUserDefaults::object(std::string_view key) const {
    if (key.empty()) return {};
    const QVariant value = settings().value(keyOf(key));
    switch (value.typeId()) {
        case QMetaType::UnknownType:
            return {};
        case QMetaType::Bool:
            return value.toBool();
        case QMetaType::QByteArray: {
            const QByteArray bytes = value.toByteArray();
            return Bytes(bytes.begin(), bytes.end());
        }
        case QMetaType::QStringList:
            // A hand-written value with commas ("a, b") is read as a list.
            return value.toStringList().join(QStringLiteral(", ")).toStdString();
        default:
            return fromText(value.toString());
    }
}

// QSettings refuses empty keys with a warning, and reads one in remove() as "every key".
void QSettingsUserDefaults::setBool(std::string_view key, bool value) {
    if (key.empty()) return;
    settings().setValue(keyOf(key), value);
    settings().sync();
}

void QSettingsUserDefaults::setData(std::string_view key, const Bytes& value) {
    if (key.empty()) return;
    // QSettings writes a QByteArray as @ByteArray(...) with escapes, so any bytes survive.
    const QByteArray bytes(reinterpret_cast<const char*>(value.data()),
                           static_cast<qsizetype>(value.size()));
    settings().setValue(keyOf(key), bytes);
    settings().sync();
}

void QSettingsUserDefaults::remove(std::string_view key) {
    if (key.empty()) return;
    settings().remove(keyOf(key));
    settings().sync();
}

}  // namespace vantrel
