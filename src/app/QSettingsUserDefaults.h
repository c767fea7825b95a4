// User defaults kept by QSettings in an INI file: <config home>/Vantrel/Vantrel.conf.
#pragma once

#include <QString>
#include <memory>

#include "model/UserDefaults.h"

class QSettings;

namespace vantrel {

class QSettingsUserDefaults final : public UserDefaults {
  public:
    // Touches no file until the first read or write.
    explicit QSettingsUserDefaults(const QString& configHome);
    ~QSettingsUserDefaults() override;
    QSettingsUserDefaults(const QSettingsUserDefaults&) = delete;
    QSettingsUserDefaults& operator=(const QSettingsUserDefaults&) = delete;

    QString filePath() const { return filePath_; }

    DefaultsValue object(std::string_view key) const override;
    // Every write reaches the file before it returns.
    void setBool(std::string_view key, bool value) override;
    void setData(std::string_view key, const Bytes& value) override;
    void remove(std::string_view key) override;

  private:
    QSettings& settings() const;

    QString filePath_;
    // Opening reads the file, so it waits for the first use.
    mutable std::unique_ptr<QSettings> settings_;
};

}  // namespace vantrel
