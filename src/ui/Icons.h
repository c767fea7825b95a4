// Icons: presets drawn from their own geometry, symbols from the icon theme or drawn, the app icon.
#pragma once

#include <QColor>
#include <QIcon>
#include <QPixmap>
#include <string_view>

#include "model/PresetLayout.h"

namespace vantrel::icons {

// The preset's area inside a screen outline, from the same geometry that places windows.
QIcon preset(PresetLayout preset);
QPixmap presetPixmap(PresetLayout preset, int size, const QColor& color);

// A symbol by its catalogue name ("keyboard", "lock.shield.fill"): the desktop's theme icon when
// the theme has one, else a drawn stand-in.
QIcon symbol(std::string_view name);
// The symbol at `size` pixels; a valid `color` tints it (theme icons included).
QPixmap symbolPixmap(std::string_view name, int size, const QColor& color = {});
// The freedesktop theme name used for a symbol; empty when the symbol is always drawn.
QString themeName(std::string_view name);

// The application's icon: three windows grouped, drawn.
QIcon app();
QPixmap appPixmap(int size, const QColor& color = {});

}  // namespace vantrel::icons
