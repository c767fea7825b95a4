// The tray icon's image: symbolic, readable on dark and light panels, sharp at any scale.
#pragma once

#include <QColor>
#include <QIcon>
#include <QPalette>

namespace vantrel {

// The icon theme's "vantrel-symbolic" when the theme has one that draws; else the three windows
// drawn for each size and scale asked for, in the panel's text colour with a thin halo of its
// background colour, so that it reads even on a panel themed unlike the application.
QIcon trayIcon(const QPalette& panel);

// The ink of the drawn icon on a panel of this background: light on dark, dark on light.
QColor trayInk(const QColor& background);

}  // namespace vantrel
