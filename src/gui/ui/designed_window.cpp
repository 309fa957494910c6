#include "gui/ui/designed_window.h"

#include <algorithm>
#include <cmath>

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenuBar>
#include <QScreen>
#include <QWindow>

namespace lantaro::ui {
namespace {

Qt::WindowFlags flags_for(const WindowDefinition& definition) {
  Qt::WindowFlags flags = Qt::Window;
  if (definition.frame == FrameKind::None) return flags | Qt::FramelessWindowHint;
  flags |= Qt::CustomizeWindowHint | Qt::WindowTitleHint;
  if (definition.captionButtons & kSystemMenu) {
    flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
  }
  if (definition.captionButtons & kMinimize) flags |= Qt::WindowMinimizeButtonHint;
  if (definition.captionButtons & kMaximize) flags |= Qt::WindowMaximizeButtonHint;
  return flags;
}

int scaled(int growth, double fraction) { return static_cast<int>(std::lround(growth * fraction)); }

}  // namespace

QRect window_placement(const QRect& screen, const QRect& available, const QSize& outer,
                       bool resizable, const QSize& minimum) {
  const QRect centred(screen.left() + (screen.width() - outer.width()) / 2,
                      screen.top() + (screen.height() - outer.height()) / 2, outer.width(),
                      outer.height());
  if (available.contains(centred)) return centred;
  QSize size = outer;
  if (resizable) size = outer.boundedTo(available.size()).expandedTo(minimum);
  const int left = available.left() + (available.width() - size.width()) / 2;
  const int top = available.top() + (available.height() - size.height()) / 2;
  return QRect(std::max(left, available.left()), std::max(top, available.top()), size.width(),
               size.height());
}

DesignedWindow::DesignedWindow(const WindowDefinition& definition, QWidget* parent)
    : QWidget(parent, flags_for(definition)), definition_(&definition) {
  setObjectName(definition.objectName);
  setWindowTitle(definition.title);
  if (definition.background.isValid()) {
    QPalette colours = palette();
    colours.setColor(QPalette::Window, definition.background);
    setPalette(colours);
    setAutoFillBackground(true);
  }
  // Until the window is shown its frame is unknown: the client takes the whole outer size.
  ++quiet_;
  resize(definition.outerSize);
  fixSizeIfNeeded();
  setMinimumFromDefinition();
  --quiet_;
}

DesignedWindow::~DesignedWindow() = default;

void DesignedWindow::setMenuBar(QMenuBar* bar) { menu_bar_ = bar; }
void DesignedWindow::setClientArea(QWidget* client) { client_ = client; }

void DesignedWindow::addPlacement(QWidget* widget, QWidget* parent, const QRect& designed,
                                  const Anchors& anchors) {
  placements_.push_back(Placement{widget, parent, designed, anchors});
}

QSize DesignedWindow::growth() const {
  return QSize(width() + frame_.left() + frame_.right(),
               height() + frame_.top() + frame_.bottom()) -
         definition_->outerSize;
}

QSize DesignedWindow::designedSizeOf(const QWidget* widget) const {
  for (const Placement& placement : placements_) {
    if (placement.widget == widget) return placement.designed.size();
  }
  return widget->size();
}

void DesignedWindow::applyLayout() {
  if (menu_bar_ && client_ != this) {
    const int bar_height = menu_bar_->sizeHint().height();
    menu_bar_->setGeometry(0, 0, width(), bar_height);
    client_->setGeometry(0, bar_height, width(), std::max(0, height() - bar_height));
  }
  const QSize window_growth = growth();
  for (const Placement& placement : placements_) {
    if (!placement.widget) continue;
    const Anchors& a = placement.anchors;
    if (a == Anchors{}) {
      placement.widget->setGeometry(placement.designed);
      continue;
    }
    // Parents are placed before their children, so a parent's size is already final here.
    QSize parent_growth = window_growth;
    if (placement.parent && placement.parent != client_) {
      parent_growth = placement.parent->size() - designedSizeOf(placement.parent);
    }
    const QRect& d = placement.designed;
    const int left = d.left() + scaled(parent_growth.width(), a.left);
    const int top = d.top() + scaled(parent_growth.height(), a.top);
    const int right = d.left() + d.width() + scaled(parent_growth.width(), a.right);
    const int bottom = d.top() + d.height() + scaled(parent_growth.height(), a.bottom);
    placement.widget->setGeometry(left, top, std::max(0, right - left), std::max(0, bottom - top));
  }
}

QSize DesignedWindow::clientSizeFor(const QMargins& frame) const {
  return definition_->outerSize - QSize(frame.left() + frame.right(), frame.top() + frame.bottom());
}

void DesignedWindow::fixSizeIfNeeded() {
  // A fixed frame with a maximize button must still be able to maximize, so only windows
  // without one get a hard size.
  if (definition_->frame == FrameKind::Sizable) return;
  if (definition_->captionButtons & kMaximize) return;
  setFixedSize(clientSizeFor(frame_));
}

void DesignedWindow::setMinimumFromDefinition() {
  const QSize minimum = definition_->minimumSize;
  if (definition_->frame != FrameKind::Sizable || minimum.isEmpty()) return;
  setMinimumSize(minimum - QSize(frame_.left() + frame_.right(), frame_.top() + frame_.bottom()));
}

void DesignedWindow::centreOnScreen() {
  QScreen* target = screen();
  if (parentWidget() && parentWidget()->screen()) target = parentWidget()->screen();
  if (!target) target = QGuiApplication::primaryScreen();
  if (!target) return;
  const bool resizable = definition_->frame == FrameKind::Sizable;
  const QRect place = window_placement(target->geometry(), target->availableGeometry(),
                                       definition_->outerSize, resizable, definition_->minimumSize);
  if (place.size() != definition_->outerSize)
    resize(place.size() - QSize(frame_.left() + frame_.right(), frame_.top() + frame_.bottom()));
  // move() places the frame's top-left corner for a window.
  move(place.topLeft());
}

void DesignedWindow::open() {
  if (opened_) {
    if (isMinimized()) showNormal();
    show();
    raise();
    activateWindow();
    return;
  }
  applyLayout();
  emit created();
  emit positionChanged();
  emit sizeChanged();

  opening_ = true;
  centreOnScreen();
  show();
  correctForFrame();
  reported_position_ = pos();
  reported_size_ = size();
  opening_ = false;
  opened_ = true;
  raise();
  activateWindow();
}

void DesignedWindow::correctForFrame() {
  if (frame_known_ || !isVisible() || definition_->frame == FrameKind::None) return;
  QWindow* handle = windowHandle();
  if (!handle) return;
  const QMargins margins = handle->frameMargins();
  // Some window managers report the frame only after the window has been mapped; until then
  // the window keeps the outer size as its client size.
  if (margins.isNull()) return;
  frame_known_ = true;
  frame_ = margins;
  ++quiet_;
  fixSizeIfNeeded();
  setMinimumFromDefinition();
  resize(clientSizeFor(frame_));
  centreOnScreen();
  reported_position_ = pos();
  reported_size_ = size();
  --quiet_;
}

void DesignedWindow::keyPressEvent(QKeyEvent* event) {
  // Reaches here only when the focused control did not take the key itself.
  if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
    event->accept();
    close();
    return;
  }
  QWidget::keyPressEvent(event);
}

void DesignedWindow::moveEvent(QMoveEvent* event) {
  QWidget::moveEvent(event);
  if (!opening_ && opened_) correctForFrame();
  if (opened_ && !opening_ && quiet_ == 0 && pos() != reported_position_) {
    reported_position_ = pos();
    emit positionChanged();
  }
}

void DesignedWindow::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  if (!opening_ && opened_) correctForFrame();
  applyLayout();
  if (opened_ && !opening_ && quiet_ == 0 && size() != reported_size_) {
    reported_size_ = size();
    emit sizeChanged();
  }
}

void DesignedWindow::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  // Minimizing changes no geometry but is a size change for the window's handlers.
  if (event->type() == QEvent::WindowStateChange && opened_ && isMinimized()) emit sizeChanged();
}

}  // namespace lantaro::ui
