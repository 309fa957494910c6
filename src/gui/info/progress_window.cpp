#include "gui/info/progress_window.h"

#include <algorithm>

#include <QProgressBar>
#include <QString>

#include "gui/ui/designed_window.h"
#include "gui/ui/window_builder.h"
#include "gui/ui/window_controls.h"

namespace lantaro {
namespace {

constexpr char16_t kUpperBar[] = u"进度条1";
constexpr char16_t kLowerBar[] = u"进度条2";

// Drawn as a row of separate blocks in a shallow sunken trough, like a classic segmented bar.
const char kSegmentedStyle[] =
    "QProgressBar { border: 1px solid; border-color: #808080 #FFFFFF #FFFFFF #808080;"
    " background: #FFFFFF; padding: 1px; }"
    "QProgressBar::chunk { background-color: palette(highlight); width: 8px; margin-right: 2px; }";

}  // namespace

ProgressWindow::ProgressWindow(QWidget* over, QObject* parent) : QObject(parent), over_(over) {}

ProgressWindow::~ProgressWindow() {
  // The window must not outlive the export that drives it.
  if (window_) {
    disconnect(window_, nullptr, this, nullptr);
    window_->close();
  }
}

void ProgressWindow::open() {
  if (window_) {
    window_->open();
    return;
  }
  ui::DesignedWindow* window = ui::build_window(ui::WindowId::Progress, over_);
  bars_ = ui::resolve_controls<ui::ProgressControls>(*window);
  for (QProgressBar* b : {bars_.upperBar, bars_.lowerBar})
    b->setStyleSheet(QLatin1String(kSegmentedStyle));
  connect(window, &QObject::destroyed, this, &ProgressWindow::closed);
  window_ = window;
  window->open();
}

void ProgressWindow::close() {
  if (window_) window_->close();
}

QProgressBar* ProgressWindow::bar(const char16_t* name) const {
  // The bars go with their window.
  if (!window_) return nullptr;
  return name == kUpperBar ? bars_.upperBar : bars_.lowerBar;
}

void ProgressWindow::setBar(const char16_t* name, int position) {
  QProgressBar* b = bar(name);
  if (!b) return;
  position = std::clamp(position, b->minimum(), b->maximum());
  if (position == b->value()) return;
  b->setValue(position);
  if (b->isVisible()) b->repaint();
}

void ProgressWindow::setUpper(int position) { setBar(kUpperBar, position); }
void ProgressWindow::setLower(int position) { setBar(kLowerBar, position); }

int ProgressWindow::upper() const {
  QProgressBar* b = bar(kUpperBar);
  return b ? b->value() : 0;
}

int ProgressWindow::lower() const {
  QProgressBar* b = bar(kLowerBar);
  return b ? b->value() : 0;
}

}  // namespace lantaro
