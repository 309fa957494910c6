#pragma once
// A balloon tip attached to a control: a title and a text shown just under the control, hidden
// when the user types into it, when it loses the focus, or after the given time.

#include <QObject>
#include <QPointer>
#include <QString>

class QLabel;
class QTimer;
class QWidget;

namespace lantaro::ui {

class BalloonTip : public QObject {
  Q_OBJECT

 public:
  explicit BalloonTip(QObject* parent = nullptr);
  ~BalloonTip() override;

  void showAt(QWidget* control, const QString& title, const QString& text, int msecs = 5000);
  void hide();

  bool isShown() const;
  QString title() const { return title_; }
  QString text() const { return text_; }
  QWidget* popup() const;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void detach();

  QPointer<QWidget> control_;
  QPointer<QWidget> popup_;
  QLabel* label_ = nullptr;
  QTimer* timer_;
  QString title_;
  QString text_;
};

}  // namespace lantaro::ui
