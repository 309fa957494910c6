#include "ui/picture_button.h"

#include <QEnterEvent>
#include <QIcon>
#include <QPainter>
#include <qdrawutil.h>
#include <QStyle>
#include <QStyleOption>
#include <QTextLayout>
#include <cmath>

#include "ui/artwork.h"

namespace lantaro::ui {
namespace {
constexpr int kPictureTop = 2;   // gap above the picture
constexpr int kCaptionGap = 1;   // gap between picture and caption
constexpr int kSideMargin = 2;

// Caption lines are set one em plus a pixel apart: CJK fonts report line heights far above
// their glyphs, and two caption lines must fit under a 50-pixel picture in an 80-pixel button.
int em_of(const QFont& font, const QPaintDevice* device) {
  if (font.pixelSize() > 0) return font.pixelSize();
  return static_cast<int>(std::lround(font.pointSizeF() * device->logicalDpiY() / 72.0));
}

QStringList wrap_caption(const QString& text, const QFont& font, int width) {
  QStringList lines;
  QTextLayout layout(text, font);
  QTextOption option(Qt::AlignHCenter);
  option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  layout.setTextOption(option);
  layout.beginLayout();
  for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
    line.setLineWidth(width);
    lines << text.mid(line.textStart(), line.textLength()).trimmed();
  }
  layout.endLayout();
  return lines;
}
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

  painter.setPen(palette().color(enabled ? QPalette::Active : QPalette::Disabled,
                                 QPalette::ButtonText));
  painter.setFont(font());
  const QFontMetrics metrics(font());
  const int em = em_of(font(), this);
  const int step = em + 1;
  const int width = area.width() - 2 * kSideMargin;
  int line_top = caption_top + shift;
  for (const QString& line : wrap_caption(text(), font(), width)) {
    const int x = kSideMargin + shift + (width - metrics.horizontalAdvance(line)) / 2;
    // The baseline sits where the em box ends, less the usual descent share.
    painter.drawText(QPoint(x, line_top + em - em / 8), line);
    line_top += step;
  }
}

}  // namespace lantaro::ui
