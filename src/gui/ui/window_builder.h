#pragma once
// The one builder that turns a window definition into widgets.

#include "gui/ui/designed_window.h"
#include "gui/ui/window_definitions.h"

class QWidget;

namespace lantaro::ui {

// Builds the window and all its controls with their designed geometry and initial state; the
// window is not shown yet (open() shows it). Secondary windows delete themselves when closed.
DesignedWindow* build_window(WindowId id, QWidget* parent = nullptr);

// The font a definition asks for, starting from `base` (the default GUI font).
QFont font_for(const FontDefinition& definition, const QFont& base);

// Maps the Chinese font names the windows use ("宋体", "SimSun") to fonts that exist here, so
// that text renders with a CJK face on any system. Called by build_window; safe to call often.
void install_font_substitutions();

}  // namespace lantaro::ui
