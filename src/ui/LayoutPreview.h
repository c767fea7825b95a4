// A layout drawn to scale: its displays and its windows, with each window's application.
#pragma once

#include <QRectF>
#include <QString>
#include <QWidget>
#include <vector>

#include "model/WindowLayout.h"

namespace vantrel {

struct PreviewShape {
    QRectF rect;
    QString label;      // the application's name; empty for displays
    QString appId;      // for its icon
    bool main = false;  // the main display
    bool minimized = false;
};

struct PreviewPlan {
    std::vector<PreviewShape> displays;
    // Back to front: the first captured window (the frontmost) is drawn last.
    std::vector<PreviewShape> windows;
};

// The displays (flipped from screen space, y up, into window space, y down) and the windows,
// scaled together to fit `area` with `margin` around them and centred in it. Without saved
// displays the windows' own extent stands for the desk.
PreviewPlan planPreview(const WindowLayout& layout, QSizeF area, double margin = 6);

class LayoutPreview final : public QWidget {
  public:
    explicit LayoutPreview(WindowLayout layout, QWidget* parent = nullptr);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    WindowLayout layout_;
};

}  // namespace vantrel
