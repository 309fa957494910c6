#include "gui/ui/picture_button.h"

#include <algorithm>

#include <QEnterEvent>
#include <QIcon>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>
#include <QTextLayout>
#include <qdrawutil.h>

#include "gui/ui/artwork.h"

namespace lantaro::ui {
namespace {
constexpr int kPictureTop = 2;  // gap above the picture
constexpr int kCaptionGap = 1;  // gap between picture and caption
constexpr int kSideMargin = 2;

// Caption lines are placed by the ink of the glyphs, not the font's line height: CJK fonts
// report line heights far above their glyphs, and two caption lines must fit under a 50-pixel
// picture in an 80-pixel button whichever CJK font the system substitutes.
constexpr int kLineGap = 2;

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

  painter.setPen(
      palette().color(enabled ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
  painter.setFont(font());
  const QFontMetrics metrics(font());
  // Typical ink box of a caption line: from the top of a CJK glyph to the bottom of a descender.
  const QRect ink = metrics.tightBoundingRect(QStringLiteral("国Ag"));
  const int width = area.width() - 2 * kSideMargin;
  const QStringList lines = wrap_caption(text(), font(), width);
  const int block = static_cast<int>(lines.size()) * ink.height() +
                    std::max(0, static_cast<int>(lines.size()) - 1) * kLineGap;
  int line_top = caption_top + std::max(0, (area.height() - caption_top - block) / 2) + shift;
  for (const QString& line : lines) {
    const int x = kSideMargin + shift + (width - metrics.horizontalAdvance(line)) / 2;
    painter.drawText(QPoint(x, line_top - ink.top()), line);
    line_top += ink.height() + kLineGap;
  }
}

}  // namespace lantaro::ui
