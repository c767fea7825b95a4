// One saved layout in the menu's list: name, shortcut, details, and what can be done with it.
#pragma once

#include <QWidget>
#include <functional>

#include "model/WindowLayout.h"
#include "ui/UiContext.h"

class QLabel;
class QToolButton;

namespace vantrel {

class LayoutRowView final : public QWidget {
  public:
    LayoutRowView(UiContext& context, WindowLayout layout, std::function<void()> onRestore,
                  std::function<void()> onDelete, QWidget* parent = nullptr);

    const WindowLayout& layout() const { return layout_; }
    bool isHovering() const { return isHovering_; }
    void setHovering(bool hovering);

    // "{n} window(s) • {time since modifiedAt}".
    static QString detailsText(const WindowLayout& layout, Date now);
    static QString toolTipText() {
        return QStringLiteral("Double-click to restore. Press Enter to restore, Delete to remove.");
    }

    // The menu entries.
    void recapture();
    void openEditor();
    void confirmDelete();

  protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

  private:
    UiContext& context_;
    WindowLayout layout_;
    std::function<void()> onRestore_;
    std::function<void()> onDelete_;
    bool isHovering_ = false;
    bool showingDeleteConfirmation_ = false;
    QToolButton* restoreButton_ = nullptr;
    QToolButton* menuButton_ = nullptr;
};

}  // namespace vantrel
