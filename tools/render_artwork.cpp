// Build-time helper: renders the SVG artwork to PNG files, which the program loads on every
// platform (its Windows build has no SVG module). Each picture is drawn large enough that scaling
// it down to any size the windows use, also on high-density screens, keeps it sharp.
//   render_artwork SOURCE_DIR OUTPUT_DIR NAME...   (NAME.svg in SOURCE_DIR -> NAME.png)

#include <algorithm>
#include <cmath>
#include <cstdio>

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: render_artwork SOURCE_DIR OUTPUT_DIR NAME...\n");
    return 2;
  }
  // No window is ever shown; the platform plugin only has to exist.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  const QDir source(QString::fromLocal8Bit(argv[1]));
  const QDir output(QString::fromLocal8Bit(argv[2]));
  for (int i = 3; i < argc; ++i) {
    const QString name = QString::fromLocal8Bit(argv[i]);
    QSvgRenderer renderer(source.filePath(name + QStringLiteral(".svg")));
    const QSize natural = renderer.defaultSize();
    if (!renderer.isValid() || natural.isEmpty()) {
      std::fprintf(stderr, "render_artwork: cannot read %s.svg\n", argv[i]);
      return 1;
    }
    // At least twice the designed size and at least 256 pixels on the longer side.
    const int longer = std::max(natural.width(), natural.height());
    const int scale = std::max(2, static_cast<int>(std::ceil(256.0 / longer)));
    QImage image(natural * scale, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(image.size())));
    painter.end();
    const QString target = output.filePath(name + QStringLiteral(".png"));
    QDir().mkpath(QFileInfo(target).absolutePath());
    if (!image.save(target, "PNG")) {
      std::fprintf(stderr, "render_artwork: cannot write %s\n", qPrintable(target));
      return 1;
    }
  }
  return 0;
}
