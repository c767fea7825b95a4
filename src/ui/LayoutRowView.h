// One saved layout in the menu's list: name, shortcut, details, and what can be done with it.
#pragma once

#include <QWidget>
#include <functional>

#include "model/WindowLayout.h"
#include "ui/UiContext.h"

class QHBoxLayout;
class QLabel;
class QMenu;
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

    // The shortcut badge, with a mark when the shortcut does not work; redrawn when
    // registrations or the keyboard change.
    void updateShortcutBadge();

    // The details again, for the time that has passed.
    void updateDetails();

    // The menu entries; recapturing and deleting ask first.
    void recapture();
    void confirmRecapture();
    void openEditor();
    void confirmDelete();

  protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    // Enter restores, Delete asks to delete, F2 edits, Up and Down move between rows.
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

  private:
    // The restore button and the menu button, shown while the pointer is over the row.
    void addHoverControls(QHBoxLayout* row);
    // "Restore Layout", "Recapture Windows", "Edit...", "Delete".
    QMenu* buildMenu();

    UiContext& context_;
    WindowLayout layout_;
    std::function<void()> onRestore_;
    std::function<void()> onDelete_;
    bool isHovering_ = false;
    bool showingDeleteConfirmation_ = false;
    QLabel* details_ = nullptr;
    QLabel* shortcutBadge_ = nullptr;
    QLabel* shortcutWarning_ = nullptr;
    QToolButton* restoreButton_ = nullptr;
    QToolButton* menuButton_ = nullptr;
};

}  // namespace vantrel
