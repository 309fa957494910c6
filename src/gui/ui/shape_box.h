#pragma once
// A rectangle with a raised two-pixel outline (a black rectangle one pixel down and right under a
// white one), no fill. Its children are clipped to it.

#include <QFrame>

namespace lantaro::ui {

class ShapeBox : public QFrame {
  Q_OBJECT

 public:
  explicit ShapeBox(QWidget* parent = nullptr);

 protected:
  void paintEvent(QPaintEvent* event) override;
};

}  // namespace lantaro::ui
