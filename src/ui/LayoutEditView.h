// The "Edit Layout" window: what a layout holds, and its name, shortcut, trigger and options.
#pragma once

#include <QWidget>
#include <cstdint>
#include <optional>

#include "base/Subscription.h"
#include "model/WindowLayout.h"
#include "ui/PublishedBridge.h"
#include "ui/UiContext.h"

class QCheckBox;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QVBoxLayout;

namespace vantrel {

class ShortcutRecorder;
class TriggerAppsEditor;

class LayoutEditView final : public QWidget {
  public:
    LayoutEditView(UiContext& context, WindowLayout layout, QWidget* parent = nullptr);

    // A new editor window for a copy of `layout`: 380 x 760, at least 380 x 720, centred, in front.
    static LayoutEditView* openWindow(UiContext& context, const WindowLayout& layout);

    bool isRecordingShortcut() const { return isRecordingShortcut_; }
    std::optional<std::uint16_t> recordedKeyCode() const { return recordedKeyCode_; }
    std::optional<std::uint64_t> recordedModifiers() const { return recordedModifiers_; }

    void startRecording();
    void clearShortcut();
    void save();
    void cancel();

  private:
    void buildShortcutSection(QVBoxLayout* column);
    // Automation (triggers, restore at start) and restore options.
    void buildOptionSections(QVBoxLayout* column);
    QWidget* buildInfoChips();
    QWidget* buildWindowList();
    void updateShortcutRow();
    void updateSaveEnabled();

    UiContext& context_;
    const WindowLayout layout_;
    bool isRecordingShortcut_ = false;
    // Set by Save or Cancel: the window is going and must not store twice.
    bool closing_ = false;
    std::optional<std::uint16_t> recordedKeyCode_;
    std::optional<std::uint64_t> recordedModifiers_;

    QLineEdit* nameField_ = nullptr;
    QCheckBox* triggerBox_ = nullptr;
    QCheckBox* launchBox_ = nullptr;
    QCheckBox* closeBox_ = nullptr;
    QCheckBox* restoreAtLoginBox_ = nullptr;
    TriggerAppsEditor* triggerApps_ = nullptr;
    QHBoxLayout* shortcutRow_ = nullptr;
    QLabel* shortcutText_ = nullptr;
    QLabel* shortcutWarning_ = nullptr;
    QLabel* notSetLabel_ = nullptr;
    QPushButton* clearButton_ = nullptr;
    QPushButton* recordButton_ = nullptr;
    ShortcutRecorder* recorder_ = nullptr;
    QPushButton* saveButton_ = nullptr;
    PublishedBridge bridge_{this};
};

// Text without leading and trailing spaces and tabs; line breaks stay.
QString trimBlanks(const QString& text);

}  // namespace vantrel
