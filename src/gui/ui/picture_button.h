#pragma once
// A flat button with a picture above a word-wrapped caption: no frame at rest, a raised frame
// while the pointer is over it, a sunken one while it is pressed, no focus rectangle, picture and
// caption greyed when disabled.

#include <QAbstractButton>
#include <QPixmap>
#include <QSize>
#include <QString>

namespace lantaro::ui {

class PictureButton : public QAbstractButton {
  Q_OBJECT

 public:
  explicit PictureButton(QWidget* parent = nullptr);

  // An SVG resource drawn at `size`; an empty path removes the picture.
  void setPicture(const QString& resource, const QSize& size);
  QString picture() const { return resource_; }
  QSize pictureSize() const { return picture_size_; }

  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;

 private:
  QString resource_;
  QSize picture_size_;
  QPixmap normal_;
  QPixmap disabled_;
  bool hovered_ = false;
};

}  // namespace lantaro::ui
