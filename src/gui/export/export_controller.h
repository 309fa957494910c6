#pragma once
// The two export buttons of the main window: the text-export window with its "保存" command, and
// the spreadsheet export with the progress window. The work itself is the engine's; the
// spreadsheet export runs on a worker thread so that the main window stays usable.

#include <functional>
#include <memory>

#include <QObject>
#include <QPointer>

#include "engine/export/spreadsheet.h"
#include "engine/export/spreadsheet_export.h"
#include "gui/ui/designed_window.h"

class QPlainTextEdit;
template <class T>
class QFutureWatcher;

namespace lantaro {

class ProgressWindow;
class TextBoxFiller;
class RetrievalController;

class ExportController : public QObject {
  Q_OBJECT

 public:
  ExportController(ui::DesignedWindow* main, RetrievalController& retrieval);
  ~ExportController() override;

  // What the toolbar buttons and the menu command do; public for other features and tests.
  void openTextExport();
  void saveText();
  void exportToSpreadsheet();

  // The text-export window while it is open.
  ui::DesignedWindow* textExportWindow() const { return text_window_; }
  // Whether the window's box is still receiving the result text, or a save is being written.
  bool textExportFilling() const;
  bool textSaveRunning() const { return save_watcher_ != nullptr; }
  bool spreadsheetExportRunning() const { return watcher_ != nullptr; }
  ProgressWindow* progressWindow() const { return progress_.get(); }

  // Makes the spreadsheet program each export drives (called on the exporting thread); the
  // desktop's .xlsx program by default.
  using SpreadsheetFactory = std::function<std::unique_ptr<Spreadsheet>()>;
  void setSpreadsheetFactory(SpreadsheetFactory factory) { factory_ = std::move(factory); }

 signals:
  // The box of the text-export window holds the whole result text.
  void textExportFilled();

 private:
  void showProgress(const SpreadsheetProgress& progress);
  void finishSpreadsheetExport();

  ui::DesignedWindow* main_;
  RetrievalController& retrieval_;
  QPointer<ui::DesignedWindow> text_window_;
  QPointer<QPlainTextEdit> text_box_;
  QPointer<TextBoxFiller> filler_;
  QFutureWatcher<Message>* save_watcher_ = nullptr;
  SpreadsheetFactory factory_;
  std::unique_ptr<ProgressWindow> progress_;
  QFutureWatcher<SpreadsheetExportResult>* watcher_ = nullptr;
};

}  // namespace lantaro
