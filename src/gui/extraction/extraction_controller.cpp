#include "gui/extraction/extraction_controller.h"

#include <cstdint>
#include <utility>
#include <vector>

#include <QAbstractButton>
#include <QFutureWatcher>
#include <QLineEdit>
#include <QMetaObject>
#include <QPointer>

#include "gui/retrieval/retrieval_controller.h"
#include "gui/ui/background_task.h"
#include "gui/ui/designed_window.h"
#include "gui/ui/qt_text.h"
#include "gui/ui/user_prompts.h"

namespace lantaro {

namespace {

const QString kPanelClosedCaption = QStringLiteral("文献语句提取");
const QString kPanelOpenCaption = QStringLiteral("关闭提取");

}  // namespace

// Shared between the UI thread and the workers of one run.
struct ExtractionController::Run {
  std::atomic<bool> cancel{false};
};

ExtractionController::ExtractionController(ui::DesignedWindow* main, RetrievalController& retrieval)
    : QObject(main),
      main_(main),
      retrieval_(retrieval),
      ui_(ui::resolve_controls<ui::MainWindowControls>(*main)) {
  // The multi-threaded button belongs in the row with the others: it shows and hides with the
  // panel like they do.
  ui_.threadedAllSentencesButton->setVisible(true);
  ui_.extractionButton->setText(ui_.extractionPanel->isVisibleTo(main_) ? kPanelOpenCaption
                                                                        : kPanelClosedCaption);

  connect(ui_.extractionButton, &QAbstractButton::clicked, this,
          &ExtractionController::togglePanel);
  connect(ui_.closeExtractionPanelButton, &QAbstractButton::clicked, this,
          &ExtractionController::closePanel);
  connect(ui_.dialogueButton, &QAbstractButton::clicked, this,
          [this] { extract(ExtractionMode::Dialogue, false); });
  connect(ui_.narrativeButton, &QAbstractButton::clicked, this,
          [this] { extract(ExtractionMode::Narrative, false); });
  connect(ui_.allSentencesButton, &QAbstractButton::clicked, this,
          [this] { extract(ExtractionMode::AllSentences, false); });
  connect(ui_.threadedAllSentencesButton, &QAbstractButton::clicked, this,
          [this] { extract(ExtractionMode::AllSentences, true); });
}

ExtractionController::~ExtractionController() {
  if (watcher_) {
    // Workers are never killed: ask them to stop after their current chunk and wait.
    run_->cancel = true;
    watcher_->waitForFinished();
  }
}

void ExtractionController::togglePanel() {
  if (ui_.extractionPanel->isVisibleTo(main_)) {
    closePanel();
    return;
  }
  ui_.extractionPanel->show();
  ui_.extractionPanel->raise();
  ui_.extractionButton->setText(kPanelOpenCaption);
}

void ExtractionController::closePanel() {
  ui_.extractionPanel->hide();
  // The caption always names what the next click does.
  ui_.extractionButton->setText(kPanelClosedCaption);
}

void ExtractionController::setButtonsEnabled(bool enabled) {
  for (QAbstractButton* b : {ui_.dialogueButton, ui_.narrativeButton, ui_.allSentencesButton,
                             ui_.threadedAllSentencesButton}) {
    b->setEnabled(enabled);
  }
}

void ExtractionController::extract(ExtractionMode mode, bool multi_threaded) {
  if (running()) return;
  Outcome<ResultList> source = retrieval_.session().extraction_source();
  if (!source) {
    ui::show_message(main_, source.refusal());
    return;
  }
  // The texts are shared, not copied: the run stays valid whatever the next search does.
  std::vector<Document> documents = std::move(source->documents);
  std::vector<DocumentText> texts = std::move(source->texts);
  ui_.threadInfoBox->clear();

  std::size_t characters = 0;
  for (const DocumentText& t : texts) characters += t ? t->size() : 0;
  if (!multi_threaded && characters <= kForegroundExtractionLimit) {
    finish(extract_sentences(documents, texts, mode));
    emit extractionFinished();
    return;
  }

  run_ = std::make_shared<Run>();
  // A list shown meanwhile (a new search, say) makes this run's items stale.
  const std::uint64_t started_on = retrieval_.session().shown_generation();
  ExtractionOptions options;
  options.threads = multi_threaded ? 0 : 1;
  options.cancel = &run_->cancel;
  if (multi_threaded) {
    // Workers call this under their shared lock; the text crosses to the UI thread queued, and
    // is dropped by Qt if this controller is gone by then.
    options.progress = [this](const WorkerEvent& event) {
      const QString text = to_qstring(worker_event_text(event));
      QMetaObject::invokeMethod(
          this,
          [this, text] {
            ui_.threadInfoBox->setText(text);
            emit workerMessage(text);
          },
          Qt::QueuedConnection);
    };
  }

  setButtonsEnabled(false);
  watcher_ = new QFutureWatcher<ExtractionResult>(this);
  connect(watcher_, &QFutureWatcher<ExtractionResult>::finished, this, [this, started_on] {
    // Every worker has ended (their last progress texts were queued before this).
    QFutureWatcher<ExtractionResult>* done = std::exchange(watcher_, nullptr);
    ExtractionResult result = done->future().takeResult();
    done->deleteLater();
    run_.reset();
    setButtonsEnabled(true);
    if (retrieval_.session().shown_generation() == started_on) finish(std::move(result));
    emit extractionFinished();
  });
  // The run keeps its own copies of the inputs and the shared cancel flag.
  std::shared_ptr<Run> run = run_;
  watcher_->setFuture(ui::run_in_background(
      [documents = std::move(documents), texts = std::move(texts), mode, options, run] {
        return extract_sentences(documents, texts, mode, options);
      }));
}

void ExtractionController::finish(ExtractionResult result) {
  retrieval_.showResults(std::move(result.list), to_qstring(result.report));
}

}  // namespace lantaro
