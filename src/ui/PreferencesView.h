// The "Preferences" window: start-up and update switches, permission, preset shortcuts, About.
#pragma once

#include <QWidget>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "model/PresetLayout.h"
#include "ui/PublishedBridge.h"
#include "ui/UiContext.h"

class QCheckBox;
class QLabel;
class QPushButton;
class QTabWidget;
class QVBoxLayout;

namespace vantrel {

class PreferencesView final : public QWidget {
  public:
    explicit PreferencesView(UiContext& context, QWidget* parent = nullptr);

    // A new window each time: 400 x 380, titled "Preferences", centred, in front.
    static PreferencesView* openWindow(UiContext& context);

    // "© {year} Vantrel. All rights reserved." for the year of `now`.
    static QString copyrightText(Date now);

    const std::optional<std::string>& recordingPreset() const { return recordingPreset_; }
    void startRecording(PresetLayout preset);
    void clearShortcut(PresetLayout preset);

  private:
    QWidget* buildGeneralTab();
    QWidget* buildShortcutsTab();
    QWidget* buildAboutTab();
    void rebuildPresetRows();
    // The recorder's binding writing false: store what was recorded, then stop recording.
    void finishRecording();
    void applyPermission(bool granted);

    UiContext& context_;
    PublishedBridge bridge_;
    std::optional<std::string> recordingPreset_;
    bool rebuildingRows_ = false;
    std::optional<std::uint16_t> recordedKeyCode_;
    std::optional<std::uint64_t> recordedModifiers_;

    QTabWidget* tabs_ = nullptr;
    QCheckBox* launchAtLogin_ = nullptr;
    QCheckBox* checkForUpdates_ = nullptr;
    QPushButton* checkNow_ = nullptr;
    QLabel* permissionIcon_ = nullptr;
    QLabel* permissionText_ = nullptr;
    QPushButton* grantAccess_ = nullptr;
    QWidget* presetList_ = nullptr;
    QVBoxLayout* presetLayout_ = nullptr;
};

}  // namespace vantrel
