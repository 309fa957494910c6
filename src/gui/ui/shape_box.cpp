#include "gui/ui/shape_box.h"

#include <QPainter>

namespace lantaro::ui {

ShapeBox::ShapeBox(QWidget* parent) : QFrame(parent) {
  setFrameShape(QFrame::NoFrame);
  // Lies over other controls: it must paint the default colour beneath its outline.
  setAutoFillBackground(true);
}

void ShapeBox::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const int w = width();
  const int h = height();
  if (w < 3 || h < 3) return;
  painter.setPen(QPen(Qt::black, 1));
  painter.drawRect(1, 1, w - 2, h - 2);
  painter.setPen(QPen(Qt::white, 1));
  painter.drawRect(0, 0, w - 2, h - 2);
}

}  // namespace lantaro::ui
