#include "gui/ui/artwork.h"

#include <QImage>
#include <QPainter>

#include "gui/ui/window_definitions.h"

// Resource initialisers live in the global namespace.
static void init_artwork_resource() { Q_INIT_RESOURCE(artwork); }

namespace lantaro::ui {
namespace {

// Pictures are named by their SVG source; the build ships each as a PNG of the same name,
// rendered larger than any size it is shown at.
QImage load_picture(const QString& resource) {
  QString png = resource;
  if (png.endsWith(QLatin1String(".svg"))) png.replace(png.size() - 3, 3, QStringLiteral("png"));
  return QImage(png);
}

QPixmap render(const QString& resource, const QSize& size, qreal ratio, bool keep_aspect) {
  load_artwork();
  const QImage picture = load_picture(resource);
  if (picture.isNull() || size.isEmpty()) return QPixmap();
  QPixmap pixmap(size * ratio);
  pixmap.setDevicePixelRatio(ratio);
  pixmap.fill(Qt::transparent);
  QRectF target(QPointF(0, 0), QSizeF(size));
  if (keep_aspect) {
    QSizeF natural = picture.size();
    natural.scale(target.size(), Qt::KeepAspectRatio);
    target = QRectF(
        QPointF((size.width() - natural.width()) / 2, (size.height() - natural.height()) / 2),
        natural);
  }
  // Scaled in one smooth step to the device pixels it covers: averaging, not sampling, so that
  // a large picture shrunk to an icon keeps its thin lines.
  const QSize pixels = (target.size() * ratio).toSize();
  if (pixels.isEmpty()) return pixmap;
  QPainter painter(&pixmap);
  painter.drawImage(target,
                    picture.scaled(pixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
  return pixmap;
}

}  // namespace

void load_artwork() {
  static const bool loaded = [] {
    init_artwork_resource();
    return true;
  }();
  (void)loaded;
}

QPixmap render_picture(const QString& resource, const QSize& size, qreal device_pixel_ratio) {
  return render(resource, size, device_pixel_ratio, true);
}

QPixmap render_picture_stretched(const QString& resource, const QSize& size,
                                 qreal device_pixel_ratio) {
  return render(resource, size, device_pixel_ratio, false);
}

QIcon program_icon() {
  QIcon icon;
  for (int side : {16, 24, 32, 48, 64, 128, 256}) {
    icon.addPixmap(render_picture(QString::fromLatin1(art::kProgramIcon), QSize(side, side)));
  }
  return icon;
}

QIcon tree_picture(int index) {
  const char* resource = index == 0 ? art::kTreeFolder : art::kTreeDocument;
  QIcon icon;
  icon.addPixmap(render_picture(QString::fromLatin1(resource), QSize(16, 15)));
  icon.addPixmap(render_picture(QString::fromLatin1(resource), QSize(32, 30), 1.0));
  return icon;
}

}  // namespace lantaro::ui
