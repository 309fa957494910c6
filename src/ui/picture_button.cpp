#include "ui/picture_button.h"

#include <QEnterEvent>
#include <QIcon>
#include <QPainter>
#include <qdrawutil.h>
#include <QStyle>
#include <QStyleOption>

#include "ui/artwork.h"

namespace lantaro::ui {
namespace {
constexpr int kPictureTop = 4;   // gap above the picture
constexpr int kCaptionGap = 2;   // gap between picture and caption
constexpr int kSideMargin = 2;
}  // namespace

PictureButton::PictureButton(QWidget* parent) : QAbstractButton(parent) {
  setAttribute(Qt::WA_Hover);
  setFocusPolicy(Qt::StrongFocus);
}

void PictureButton::setPicture(const QString& resource, const QSize& size) {
  resource_ = resource;
  picture_size_ = size;
  if (resource.isEmpty()) {
    normal_ = disabled_ = QPixmap();
  } else {
    normal_ = render_picture(resource, size, devicePixelRatioF());
    QStyleOption option;
    option.initFrom(this);
    disabled_ = style()->generatedIconPixmap(QIcon::Disabled, normal_, &option);
  }
  update();
}

QSize PictureButton::sizeHint() const {
  const QFontMetrics metrics(font());
  return QSize(std::max(picture_size_.width(), metrics.horizontalAdvance(text())) + 2 * kSideMargin,
               kPictureTop + picture_size_.height() + kCaptionGap + 2 * metrics.height());
}

void PictureButton::enterEvent(QEnterEvent* event) {
  hovered_ = true;
  update();
  QAbstractButton::enterEvent(event);
}

void PictureButton::leaveEvent(QEvent* event) {
  hovered_ = false;
  update();
  QAbstractButton::leaveEvent(event);
}

void PictureButton::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QRect area = rect();
  const bool enabled = isEnabled();

  if (enabled && (isDown() || isChecked())) {
    qDrawShadePanel(&painter, area, palette(), true, 1);
  } else if (enabled && hovered_) {
    qDrawShadePanel(&painter, area, palette(), false, 1);
  }
  const int shift = (enabled && isDown()) ? 1 : 0;

  int caption_top = kPictureTop;
  if (!normal_.isNull()) {
    const QPixmap& picture = enabled ? normal_ : disabled_;
    const int x = (area.width() - picture_size_.width()) / 2;
    painter.drawPixmap(QRect(QPoint(x + shift, kPictureTop + shift), picture_size_), picture);
    caption_top += picture_size_.height() + kCaptionGap;
  }

  const QRect caption(kSideMargin + shift, caption_top + shift, area.width() - 2 * kSideMargin,
                      area.height() - caption_top - 1);
  painter.setPen(palette().color(enabled ? QPalette::Active : QPalette::Disabled,
                                 QPalette::ButtonText));
  painter.drawText(caption, Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap, text());
}

}  // namespace lantaro::ui
