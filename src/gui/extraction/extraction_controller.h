#pragma once
// The extraction panel of the main window: its toolbar button, the close button and the four
// mode buttons. The engine does the cutting; this side picks the input (the documents the last
// search hit), moves large or multi-threaded runs off the UI thread, relays the workers'
// progress into the thread-information box and hands the items to the result list.

#include <atomic>
#include <memory>

#include <QObject>
#include <QString>

#include "engine/extraction/extractor.h"
#include "gui/ui/window_controls.h"

class QLineEdit;
class QAbstractButton;
class QWidget;
template <class T>
class QFutureWatcher;

namespace lantaro {

class RetrievalController;

namespace ui {
class DesignedWindow;
}  // namespace ui

// Input larger than this (in characters) is extracted off the UI thread even by the
// single-threaded buttons, so that the window keeps painting.
inline constexpr std::size_t kForegroundExtractionLimit = std::size_t{2} << 20;

class ExtractionController : public QObject {
  Q_OBJECT

 public:
  ExtractionController(ui::DesignedWindow* main, RetrievalController& retrieval);
  ~ExtractionController() override;

  // What the buttons do; public so that tests and other features can drive them.
  void togglePanel();
  void closePanel();
  // multi_threaded: on worker threads with progress in the thread-information box.
  void extract(ExtractionMode mode, bool multi_threaded);
  bool running() const { return watcher_ != nullptr; }

 signals:
  // A worker's progress text ("成功启动线程n", "线程n正在执行", "结束线程n"), on the UI thread.
  void workerMessage(const QString& text);
  // A run has ended and its items are in the result list (or it was dropped because a new
  // search replaced the results meanwhile).
  void extractionFinished();

 private:
  struct Run;

  void setButtonsEnabled(bool enabled);
  void finish(ExtractionResult result);

  ui::DesignedWindow* main_;
  RetrievalController& retrieval_;
  const ui::MainWindowControls ui_;

  std::shared_ptr<Run> run_;
  QFutureWatcher<ExtractionResult>* watcher_ = nullptr;
};

}  // namespace lantaro
