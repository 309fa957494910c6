// Build-time helper: renders the SVG artwork to PNG files, which the program loads on every
// platform (its Windows build has no SVG module). Each picture is drawn large enough that scaling
// it down to any size the windows use, also on high-density screens, keeps it sharp.
//   render_artwork SOURCE_DIR OUTPUT_DIR NAME...   (NAME.svg in SOURCE_DIR -> NAME.png)
//   render_artwork --icon SVG ICO                  (the Windows program icon, 16 to 256 pixels)

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iterator>

#include <QBuffer>
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

namespace {

QImage render(QSvgRenderer& renderer, QSize size) {
  QImage image(size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(image.size())));
  painter.end();
  return image;
}

void append_le(QByteArray& out, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.append(static_cast<char>((value >> (8 * i)) & 0xFF));
}

// An .ico whose images are PNG streams (read by every Windows since Vista). Each size is drawn
// from the SVG itself rather than scaled down, so the small ones stay crisp.
int write_icon(const char* svg, const char* ico) {
  QSvgRenderer renderer(QString::fromLocal8Bit(svg));
  if (!renderer.isValid()) {
    std::fprintf(stderr, "render_artwork: cannot read %s\n", svg);
    return 1;
  }
  const int sides[] = {16, 20, 24, 32, 40, 48, 64, 128, 256};
  const int count = static_cast<int>(std::size(sides));
  QByteArray header;
  QByteArray images;
  append_le(header, 0, 2);
  append_le(header, 1, 2);  // an icon, not a cursor
  append_le(header, static_cast<std::uint32_t>(count), 2);
  std::uint32_t offset = 6 + 16 * static_cast<std::uint32_t>(count);
  for (int side : sides) {
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!render(renderer, QSize(side, side)).save(&buffer, "PNG")) return 1;
    const auto byte_side = static_cast<std::uint32_t>(side == 256 ? 0 : side);  // 0 means 256
    append_le(header, byte_side, 1);
    append_le(header, byte_side, 1);
    append_le(header, 0, 2);   // no palette, reserved
    append_le(header, 1, 2);   // planes
    append_le(header, 32, 2);  // bits per pixel
    append_le(header, static_cast<std::uint32_t>(png.size()), 4);
    append_le(header, offset, 4);
    offset += static_cast<std::uint32_t>(png.size());
    images.append(png);
  }
  QFile file(QString::fromLocal8Bit(ico));
  if (!file.open(QIODevice::WriteOnly) ||
      file.write(header + images) != header.size() + images.size()) {
    std::fprintf(stderr, "render_artwork: cannot write %s\n", ico);
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const bool icon = argc == 4 && std::strcmp(argv[1], "--icon") == 0;
  if (argc < 4) {
    std::fprintf(stderr,
                 "usage: render_artwork SOURCE_DIR OUTPUT_DIR NAME...\n"
                 "       render_artwork --icon SVG ICO\n");
    return 2;
  }
  // No window is ever shown; the platform plugin only has to exist.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  if (icon) return write_icon(argv[2], argv[3]);
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
    const QImage image = render(renderer, natural * scale);
    const QString target = output.filePath(name + QStringLiteral(".png"));
    QDir().mkpath(QFileInfo(target).absolutePath());
    if (!image.save(target, "PNG")) {
      std::fprintf(stderr, "render_artwork: cannot write %s\n", qPrintable(target));
      return 1;
    }
  }
  return 0;
}
