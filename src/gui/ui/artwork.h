#pragma once
// The program's own artwork (drawn as SVG, compiled in as PNG rendered at build time) and helpers
// to draw it.

#include <QIcon>
#include <QPixmap>
#include <QSize>
#include <QString>

namespace lantaro::ui {

// Makes the compiled-in artwork available; called by everything below, safe to call often.
void load_artwork();

// The picture `resource` (named by its SVG source) drawn on a transparent pixmap of `size`
// (logical pixels), proportions kept and centred. A missing resource gives a null pixmap.
QPixmap render_picture(const QString& resource, const QSize& size, qreal device_pixel_ratio = 1.0);
// The same, stretched to fill `size`.
QPixmap render_picture_stretched(const QString& resource, const QSize& size,
                                 qreal device_pixel_ratio = 1.0);

QIcon program_icon();
// The corpus tree's picture list: 0 a folder, 1 a document page (16 x 15).
QIcon tree_picture(int index);

}  // namespace lantaro::ui
