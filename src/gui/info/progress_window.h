#pragma once
// The progress window shown while data are exported: no caption, green, a line of text and two
// segmented bars from 0 to 100. The exporting code owns one of these, opens it, advances the
// bars and closes it; the user can close it early with Esc (then the bar calls do nothing).

#include <QObject>
#include <QPointer>

#include "gui/ui/designed_window.h"
#include "gui/ui/window_controls.h"

class QProgressBar;
class QWidget;

namespace lantaro {

class ProgressWindow : public QObject {
  Q_OBJECT

 public:
  // `over`: the window it belongs to (kept above it); may be null.
  explicit ProgressWindow(QWidget* over = nullptr, QObject* parent = nullptr);
  ~ProgressWindow() override;
  ProgressWindow(const ProgressWindow&) = delete;
  ProgressWindow& operator=(const ProgressWindow&) = delete;

  // Shows the window with both bars at 0; brings it to the front when it is already open.
  void open();
  void close();
  bool isOpen() const { return !window_.isNull(); }

  // Positions 0..100 (clamped); drawn at once, so a long export on this thread shows them.
  void setUpper(int position);
  void setLower(int position);
  int upper() const;
  int lower() const;

  ui::DesignedWindow* window() const { return window_; }

 signals:
  // The window went away, by close() or by the user's Esc.
  void closed();

 private:
  QProgressBar* bar(const char16_t* name) const;
  void setBar(const char16_t* name, int position);

  QPointer<QWidget> over_;
  QPointer<ui::DesignedWindow> window_;
  ui::ProgressControls bars_;
};

}  // namespace lantaro
