// The control that records one key press with its modifiers, or a cancel by Escape.
#pragma once

#include <QWidget>
#include <cstdint>
#include <functional>

#include "automation/HotkeyService.h"
#include "base/Subscription.h"

namespace vantrel {

class ShortcutRecorder final : public QWidget {
  public:
    using Recorded = std::function<void(std::uint16_t keyCode, std::uint64_t modifiers)>;

    // Records a shortcut for `owner`. With `hotkeys`, a combination is refused when another
    // layout, preset or program has it, keys are read by position, and Vantrel's own hotkeys
    // are silent while the control is shown.
    ShortcutRecorder(HotkeyService* hotkeys, ShortcutOwner owner, QWidget* parent = nullptr);

    // Called once per accepted key press; absent actions make key presses do nothing.
    Recorded onShortcutRecorded;
    std::function<void()> onCancel;

    // Why the last key press was refused; empty while none was.
    const QString& message() const { return message_; }

    QSize sizeHint() const override;
    // Takes keyboard focus on the next turn of the event loop, once the control is in its window.
    void requestFocusSoon();

    static const char* prompt() { return "Press shortcut..."; }

  protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    // Tab and Backtab are keys to record here, not focus moves.
    bool focusNextPrevChild(bool) override { return false; }

  private:
    HotkeyService* hotkeys_;
    ShortcutOwner owner_;
    QString message_;
    Subscription suspension_;
};

}  // namespace vantrel
