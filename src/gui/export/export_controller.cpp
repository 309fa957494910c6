#include "gui/export/export_controller.h"

#include <atomic>

#include <QAbstractButton>
#include <QAction>
#include <QFutureWatcher>
#include <QPlainTextEdit>

#include "engine/common/text.h"
#include "engine/export/text_export.h"
#include "engine/export/xlsx_spreadsheet.h"
#include "gui/export/text_box_filler.h"
#include "gui/info/progress_window.h"
#include "gui/retrieval/retrieval_controller.h"
#include "gui/ui/background_task.h"
#include "gui/ui/designed_window.h"
#include "gui/ui/qt_text.h"
#include "gui/ui/user_prompts.h"
#include "gui/ui/window_builder.h"
#include "gui/ui/window_controls.h"

namespace lantaro {
namespace {

// The box's text with every line break as the box shows it (paragraph and line separators
// included) turned into a plain line feed; the engine writes those as CR LF.
std::u16string box_text(const QPlainTextEdit& box) {
  QString text = box.document()->toRawText();
  for (QChar& c : text) {
    if (c == QChar::ParagraphSeparator || c == QChar::LineSeparator) c = u'\n';
  }
  return text.toStdU16String();
}

int percent(std::size_t part, std::size_t whole) {
  return whole == 0 ? 0 : static_cast<int>(part * 100 / whole);
}

}  // namespace

ExportController::ExportController(ui::DesignedWindow* main, RetrievalController& retrieval)
    : QObject(main), main_(main), retrieval_(retrieval) {
  const auto controls = ui::resolve_controls<ui::MainWindowControls>(*main);
  connect(controls.exportTxtButton, &QAbstractButton::clicked, this,
          &ExportController::openTextExport);
  connect(controls.exportExcelButton, &QAbstractButton::clicked, this,
          &ExportController::exportToSpreadsheet);
}

ExportController::~ExportController() {
  // The workers hold only their own copies, but must not report to a controller that is gone;
  // a save in progress is allowed to finish so that it never leaves a half-written file.
  for (QFutureWatcherBase* watcher : {static_cast<QFutureWatcherBase*>(watcher_),
                                      static_cast<QFutureWatcherBase*>(save_watcher_)}) {
    if (!watcher) continue;
    watcher->disconnect(this);
    watcher->waitForFinished();
  }
  if (text_window_) text_window_->close();
}

void ExportController::openTextExport() {
  Outcome<std::u16string> text = retrieval_.session().export_text();
  if (!text) {
    ui::show_message(main_, text.refusal());
    return;
  }
  if (!text_window_) {
    ui::DesignedWindow* window = ui::build_window(ui::WindowId::TextExport);
    text_window_ = window;
    const auto controls = ui::resolve_controls<ui::TextExportControls>(*window);
    text_box_ = controls.textBox;
    filler_ = new TextBoxFiller(text_box_, window);
    connect(filler_, &TextBoxFiller::filled, this, &ExportController::textExportFilled);
    connect(controls.saveCommand, &QAction::triggered, this, &ExportController::saveText);
  }
  // The engine builds the whole text in one pass; the box takes it a slice at a time.
  if (filler_) filler_->fill(to_qstring(*text));
  text_window_->open();
  text_window_->raise();
  text_window_->activateWindow();
}

bool ExportController::textExportFilling() const { return filler_ && filler_->filling(); }

void ExportController::saveText() {
  if (!text_window_ || !text_box_ || save_watcher_) return;
  // Saving means saving all of it: whatever has not reached the box yet goes in now.
  if (filler_) filler_->finish();
  if (text_box_->document()->isEmpty()) {
    ui::show_message(text_window_, Message::NothingToSave);
    return;
  }
  ui::FileDialogOptions options;
  options.filter = QStringLiteral("文本文件 (*.txt)");
  options.defaultSuffix = QStringLiteral("txt");
  std::optional<QString> file = ui::ask_save_file(text_window_, options);
  if (!file) return;
  // Encoding and writing a long text takes seconds: off this thread, with the text as it is now.
  save_watcher_ = new QFutureWatcher<Message>(this);
  connect(save_watcher_, &QFutureWatcher<Message>::finished, this, [this] {
    const Message outcome = save_watcher_->result();
    save_watcher_->deleteLater();
    save_watcher_ = nullptr;
    // The user may have closed the window meanwhile; the outcome is still told.
    ui::show_message(text_window_ ? static_cast<QWidget*>(text_window_) : main_, outcome);
  });
  save_watcher_->setFuture(
      ui::run_in_background([path = path_from_utf8(file->toStdString()),
                             text = box_text(*text_box_)] { return save_text_file(path, text); }));
}

void ExportController::exportToSpreadsheet() {
  if (watcher_) return;  // one export at a time; its progress window is already up
  // The worker gets its own copy: a new search may replace the shown results while it runs.
  Outcome<WorkbookContent> content = retrieval_.session().workbook_content();
  if (!content) {
    ui::show_message(main_, content.refusal());
    return;
  }
  SpreadsheetFactory factory = factory_ ? factory_ : [] {
    return std::unique_ptr<Spreadsheet>(
        std::make_unique<XlsxSpreadsheet>(desktop_spreadsheet_options()));
  };

  progress_ = std::make_unique<ProgressWindow>(main_);
  progress_->open();

  // Progress crosses to this thread only when a bar would move.
  auto last = std::make_shared<std::atomic<int>>(-1);
  QPointer<ExportController> self(this);
  auto report = [self, last](const SpreadsheetProgress& p) {
    const int upper = percent(p.rows_written, p.rows_total);
    const int lower = percent(p.step, p.steps);
    const int packed = upper * 1000 + lower;
    if (last->exchange(packed) == packed || !self) return;
    QMetaObject::invokeMethod(
        self.data(),
        [self, p] {
          if (self) self->showProgress(p);
        },
        Qt::QueuedConnection);
  };

  watcher_ = new QFutureWatcher<SpreadsheetExportResult>(this);
  connect(watcher_, &QFutureWatcher<SpreadsheetExportResult>::finished, this,
          &ExportController::finishSpreadsheetExport);
  watcher_->setFuture(ui::run_in_background([content = std::move(*content), factory, report] {
    std::unique_ptr<Spreadsheet> spreadsheet = factory();
    return Session::export_workbook(*spreadsheet, content, report);
  }));
}

void ExportController::showProgress(const SpreadsheetProgress& progress) {
  if (!progress_) return;
  progress_->setUpper(percent(progress.rows_written, progress.rows_total));
  progress_->setLower(percent(progress.step, progress.steps));
}

void ExportController::finishSpreadsheetExport() {
  const SpreadsheetExportResult result = watcher_->result();
  watcher_->deleteLater();
  watcher_ = nullptr;
  if (progress_) progress_->close();
  progress_.reset();
  if (result.message) ui::show_message(main_, *result.message);
}

}  // namespace lantaro
