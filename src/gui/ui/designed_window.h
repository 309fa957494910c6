#pragma once
// A window built from its definition: it knows its controls by name, raises created, position
// changed and size changed in the designed order, opens centred at its designed outer size, lets
// its controls follow it when it grows, and closes on Esc.

#include <vector>

#include <QMargins>
#include <QPoint>
#include <QPointer>
#include <QRect>
#include <QSize>
#include <QWidget>

#include "gui/ui/window_definitions.h"

class QMenuBar;

namespace lantaro::ui {

// Where a window of outer size `outer` opens: centred on the screen as designed when that lies
// inside the screen's available area (without panels and docks); otherwise inside the available
// area, a resizable window shrunk to it (not below `minimum`), and never with its top-left
// corner (the title bar) outside it.
QRect window_placement(const QRect& screen, const QRect& available, const QSize& outer,
                       bool resizable, const QSize& minimum = QSize());

class DesignedWindow : public QWidget {
  Q_OBJECT

 public:
  // Use build_window(); this only sets up the bare window.
  DesignedWindow(const WindowDefinition& definition, QWidget* parent);
  ~DesignedWindow() override;

  WindowId id() const { return definition_->id; }
  const WindowDefinition& definition() const { return *definition_; }

  // The control of that name (widgets and non-visual QObjects alike). Never null for a defined
  // control of a kind that builds an object, when T matches its class.
  template <class T>
  T* control(const QString& name) const {
    return findChild<T*>(name);
  }

  // The widget that holds the controls placed on the window (the window itself, or the area
  // under the menu bar).
  QWidget* clientArea() const { return client_; }
  QMenuBar* menuBar() const { return menu_bar_; }

  // First call: raises created, position changed and size changed (once each), then shows the
  // window centred on the screen at its designed outer size. Later calls bring it to the front.
  void open();
  bool isOpened() const { return opened_; }

  // How much larger than designed the window currently is (negative when smaller).
  QSize growth() const;

  // Builder hooks.
  void setMenuBar(QMenuBar* bar);
  void setClientArea(QWidget* client);
  void addPlacement(QWidget* widget, QWidget* parent, const QRect& designed,
                    const Anchors& anchors);
  // Places every control for the current window size.
  void applyLayout();

 signals:
  void created();
  void positionChanged();
  void sizeChanged();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void moveEvent(QMoveEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  struct Placement {
    QPointer<QWidget> widget;
    QPointer<QWidget> parent;  // the client area or another placed control
    QRect designed;
    Anchors anchors;
  };

  QSize clientSizeFor(const QMargins& frame) const;
  void centreOnScreen();
  // Once the real frame is known, sizes the client so that frame + client = designed outer size.
  void correctForFrame();
  void fixSizeIfNeeded();
  void setMinimumFromDefinition();
  QSize designedSizeOf(const QWidget* widget) const;

  const WindowDefinition* definition_;
  QWidget* client_ = this;
  QMenuBar* menu_bar_ = nullptr;
  std::vector<Placement> placements_;
  QMargins frame_;  // the real frame once known, else none
  bool opened_ = false;
  bool opening_ = false;
  bool frame_known_ = false;
  int quiet_ = 0;
  // Where the window was when it last raised an event: the platform may report the same
  // geometry again (a window manager adopting the window), which is no change.
  QPoint reported_position_;
  QSize reported_size_;  // > 0: geometry changes of our own that raise no events
};

}  // namespace lantaro::ui
