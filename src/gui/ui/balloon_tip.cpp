#include "gui/ui/balloon_tip.h"

#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QTimer>

namespace lantaro::ui {

BalloonTip::BalloonTip(QObject* parent) : QObject(parent), timer_(new QTimer(this)) {
  timer_->setSingleShot(true);
  connect(timer_, &QTimer::timeout, this, &BalloonTip::hide);
}

BalloonTip::~BalloonTip() {
  detach();
  delete popup_;
}

QWidget* BalloonTip::popup() const { return popup_; }

bool BalloonTip::isShown() const { return popup_ && popup_->isVisible(); }

void BalloonTip::showAt(QWidget* control, const QString& title, const QString& text, int msecs) {
  if (!control) return;
  detach();
  control_ = control;
  title_ = title;
  text_ = text;
  if (!popup_) {
    auto* frame = new QFrame(nullptr, Qt::ToolTip | Qt::FramelessWindowHint);
    frame->setObjectName(QStringLiteral("balloonTipPopup"));
    frame->setFrameShape(QFrame::Box);
    frame->setAttribute(Qt::WA_ShowWithoutActivating);
    QPalette colours = frame->palette();
    colours.setColor(QPalette::Window, QColor(0xFF, 0xFF, 0xE1));
    colours.setColor(QPalette::WindowText, Qt::black);
    frame->setPalette(colours);
    frame->setAutoFillBackground(true);
    auto* layout = new QHBoxLayout(frame);
    layout->setContentsMargins(8, 6, 8, 6);
    label_ = new QLabel(frame);
    label_->setTextFormat(Qt::RichText);
    label_->setWordWrap(true);
    label_->setMaximumWidth(360);
    layout->addWidget(label_);
    popup_ = frame;
  }
  label_->setText(
      QStringLiteral("<b>%1</b><br>%2").arg(title.toHtmlEscaped(), text.toHtmlEscaped()));
  popup_->adjustSize();
  popup_->move(control->mapToGlobal(QPoint(control->width() / 4, control->height())));
  popup_->show();
  control->installEventFilter(this);
  if (msecs > 0) timer_->start(msecs);
}

void BalloonTip::hide() {
  timer_->stop();
  detach();
  if (popup_) popup_->hide();
}

void BalloonTip::detach() {
  if (control_) control_->removeEventFilter(this);
  control_ = nullptr;
}

bool BalloonTip::eventFilter(QObject* watched, QEvent* event) {
  if (watched == control_) {
    switch (event->type()) {
      case QEvent::KeyPress:
      case QEvent::InputMethod:
      case QEvent::FocusOut:
      case QEvent::Hide:
      case QEvent::Move: hide(); break;
      default: break;
    }
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace lantaro::ui
