// What the permission buttons show on Linux: there is no setting to grant, only a window manager
// to run.
#pragma once

#include "ui/UiContext.h"

class QWidget;

namespace vantrel {

// Explains what Vantrel needs and how to get it, over `parent`.
void showWindowManagerHelp(UiContext& context, QWidget* parent);

}  // namespace vantrel
