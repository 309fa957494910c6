#pragma once
// The one builder that turns a window definition into widgets.

#include "gui/ui/designed_window.h"
#include "gui/ui/window_definitions.h"

class QWidget;

namespace lantaro::ui {

// Builds the window and all its controls with their designed geometry and initial state; the
// window is not shown yet (open() shows it). Secondary windows delete themselves when closed.
// A framed window gets no parent window (it is one of the program's windows in its own right)
// but does not outlive `parent`; the frameless progress window is a child of `parent`.
DesignedWindow* build_window(WindowId id, QWidget* parent = nullptr);

// The font a definition asks for, starting from `base` (the default GUI font).
QFont font_for(const FontDefinition& definition, const QFont& base);

// Makes Qt's own texts (file dialogs, message-box buttons, context menus of edit boxes) Chinese,
// as every text of this program is. False when the translation is not installed (Debian:
// qt6-translations-l10n); Qt's English texts then remain.
bool install_qt_translation();

// Maps the Chinese font names the windows use ("宋体", "SimSun") to fonts that exist here, so
// that text renders with a CJK face on any system. Called by build_window; safe to call often.
void install_font_substitutions();

}  // namespace lantaro::ui
