// The control that records one key press with its modifiers, or a cancel by Escape.
#pragma once

#include <QWidget>
#include <cstdint>
#include <functional>

namespace vantrel {

class ShortcutRecorder final : public QWidget {
  public:
    using Recorded = std::function<void(std::uint16_t keyCode, std::uint64_t modifiers)>;

    explicit ShortcutRecorder(QWidget* parent = nullptr);

    // Called once per recorded key press; absent actions make key presses do nothing.
    Recorded onShortcutRecorded;
    std::function<void()> onCancel;

    QSize sizeHint() const override { return {120, 24}; }
    // Takes keyboard focus on the next turn of the event loop, once the control is in its window.
    void requestFocusSoon();

    static const char* prompt() { return "Press shortcut..."; }

  protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    // Tab and Backtab are keys to record here, not focus moves.
    bool focusNextPrevChild(bool) override { return false; }
};

}  // namespace vantrel
