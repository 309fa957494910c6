#include "gui/ui/tab_control.h"

#include <QEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionTabWidgetFrame>
#include <QTabBar>

namespace lantaro::ui {

TabControl::TabControl(QWidget* parent) : QWidget(parent), bar_(new QTabBar(this)) {
  bar_->setObjectName(QStringLiteral("tabBar"));
  bar_->setDrawBase(false);
  bar_->setExpanding(false);
  bar_->setFocusPolicy(Qt::NoFocus);
  connect(bar_, &QTabBar::currentChanged, this, [this](int index) {
    updateVisibility();
    emit pageChanged(index + 1);
  });
}

void TabControl::setPages(const QStringList& captions) {
  const QSignalBlocker block(bar_);
  while (bar_->count() > 0) bar_->removeTab(0);
  for (const QString& caption : captions) bar_->addTab(caption);
  bar_->setCurrentIndex(captions.isEmpty() ? -1 : 0);
  bar_->setGeometry(0, 0, width(), bar_->sizeHint().height());
  updateVisibility();
}

int TabControl::pageCount() const { return bar_->count(); }

void TabControl::addPageControl(int page, QWidget* control, bool shown) {
  controls_.push_back(PageControl{control, page, shown});
  // Page controls sit over the strip where they overlap it (a button on the strip's right).
  control->raise();
  updateVisibility();
}

void TabControl::setControlShown(QWidget* control, bool shown) {
  for (PageControl& entry : controls_) {
    if (entry.widget == control) entry.shown = shown;
  }
  updateVisibility();
}

bool TabControl::isControlShown(const QWidget* control) const {
  for (const PageControl& entry : controls_) {
    if (entry.widget == control) return entry.shown;
  }
  return false;
}

int TabControl::currentPage() const { return bar_->currentIndex() + 1; }

void TabControl::setCurrentPage(int page) {
  if (page < 1 || page > bar_->count()) return;
  bar_->setCurrentIndex(page - 1);
}

void TabControl::updateVisibility() {
  const int current = currentPage();
  for (const PageControl& entry : controls_) {
    if (entry.widget) entry.widget->setVisible(entry.shown && entry.page == current);
  }
}

void TabControl::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  bar_->setGeometry(0, 0, width(), bar_->sizeHint().height());
}

void TabControl::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::FontChange) {
    bar_->setFont(font());
    bar_->setGeometry(0, 0, width(), bar_->sizeHint().height());
  }
}

void TabControl::paintEvent(QPaintEvent*) {
  // The pane under the strip, as a tab widget draws it.
  QPainter painter(this);
  QStyleOptionTabWidgetFrame option;
  option.initFrom(this);
  const int strip = bar_->height();
  option.rect = QRect(0, strip - 1, width(), height() - strip + 1);
  option.tabBarSize = bar_->size();
  option.shape = QTabBar::RoundedNorth;
  style()->drawPrimitive(QStyle::PE_FrameTabWidget, &option, &painter, this);
}

}  // namespace lantaro::ui
