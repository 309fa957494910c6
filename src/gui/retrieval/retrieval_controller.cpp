#include "gui/retrieval/retrieval_controller.h"

#include <algorithm>
#include <optional>

#include <QAction>
#include <QComboBox>
#include <QEvent>
#include <QFutureWatcher>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>

#include "engine/common/text.h"
#include "gui/corpus/corpus_controller.h"
#include "gui/retrieval/context_window.h"
#include "gui/retrieval/document_view.h"
#include "gui/retrieval/hit_grid_model.h"
#include "gui/retrieval/result_list_model.h"
#include "gui/ui/background_task.h"
#include "gui/ui/balloon_tip.h"
#include "gui/ui/designed_window.h"
#include "gui/ui/qt_text.h"
#include "gui/ui/tab_control.h"
#include "gui/ui/user_prompts.h"
#include "platform/platform.h"

namespace lantaro {

namespace {

const QString kKeywordHintTitle = QStringLiteral("提示");
const QString kKeywordHint =
    QStringLiteral("支持双关键词查询。如果要双关键词组合查询，两词之间请用空格间隔。");
constexpr int kListPage = 1;
constexpr int kFullTextPage = 2;
// The result list's context menu, in the order of ResultOrder.
const char* const kOrderChoices[] = {"按出处顺序", "按左侧排序", "按右侧排序"};
// The bottom panel shows the hit's whole line, but no more than this much on either side of the
// hit: a document without line breaks would otherwise put megabytes into one panel line.
constexpr std::size_t kPanelReach = 10000;
const QColor kPanelHitBackground(0xFF, 0xFF, 0x00);

QString utf8(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

// Shared between the UI thread and the workers of one search.
struct RetrievalController::RunningSearch {
  std::atomic<bool> cancel{false};
  std::atomic<int> percent{0};
};

RetrievalController::RetrievalController(ui::DesignedWindow* main, const RunDirectory& run,
                                         CorpusController& corpus)
    : QObject(main),
      main_(main),
      corpus_(corpus),
      session_(run, LibraryTree()),
      ui_(ui::resolve_controls<ui::MainWindowControls>(*main)),
      list_model_(
          new ResultListModel([this]() -> const ResultList& { return session_.shown(); }, this)),
      grid_model_(new HitGridModel(this)),
      view_(new DocumentView(ui_.fullText, this)) {
  ui_.resultList->setUniformItemSizes(true);
  ui_.resultList->setSelectionMode(QAbstractItemView::SingleSelection);
  ui_.resultList->setEditTriggers(QAbstractItemView::NoEditTriggers);
  ui_.resultList->setModel(list_model_);

  ui_.hitGrid->setModel(grid_model_);
  ui_.hitGrid->setSelectionBehavior(QAbstractItemView::SelectRows);
  ui_.hitGrid->setSelectionMode(QAbstractItemView::SingleSelection);
  ui_.hitGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
  ui_.hitGrid->verticalHeader()->setVisible(false);
  // Rows of one text line: the small grid then shows five documents instead of three and a half.
  ui_.hitGrid->verticalHeader()->setDefaultSectionSize(ui_.hitGrid->fontMetrics().lineSpacing() +
                                                       4);
  ui_.hitGrid->horizontalHeader()->setSectionResizeMode(HitGridModel::DocumentColumn,
                                                        QHeaderView::Stretch);
  ui_.hitGrid->setColumnWidth(HitGridModel::SerialColumn, 48);
  ui_.hitGrid->setColumnWidth(HitGridModel::HitsColumn, 72);

  connect(ui_.searchButton, &QPushButton::clicked, this, &RetrievalController::search);
  connect(ui_.nextHitButton, &QPushButton::clicked, this, &RetrievalController::nextHit);
  connect(&corpus_, &CorpusController::documentActivated, this, &RetrievalController::showDocument);
  connect(ui_.resultList->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
          [this](const QModelIndex& current) {
            if (current.isValid()) showItemLine(static_cast<std::size_t>(current.row()));
          });
  connect(ui_.resultList, &QListView::doubleClicked, this, [this](const QModelIndex& index) {
    if (index.isValid()) openContext(static_cast<std::size_t>(index.row()));
  });
  for (ResultOrder order : {ResultOrder::Document, ResultOrder::Left, ResultOrder::Right}) {
    auto* action = ui_.resultList->findChild<QAction*>(
        QString::fromUtf8(kOrderChoices[static_cast<int>(order)]), Qt::FindDirectChildrenOnly);
    Q_ASSERT(action);
    if (action) connect(action, &QAction::triggered, this, [this, order] { sortResults(order); });
  }
  // As the corpus tree's double click: the document with its hits, on the second page.
  connect(ui_.hitGrid, &QTableView::doubleClicked, this, [this](const QModelIndex& index) {
    if (const Document* document = grid_model_->documentAt(index.row())) showDocument(*document);
  });
  // Queued by nature: emitted on worker threads, received on the UI thread.
  connect(this, &RetrievalController::searchProgress, ui_.progressBar, &QProgressBar::setValue);

  ui_.keywordBox->installEventFilter(this);
}

RetrievalController::~RetrievalController() {
  if (watcher_) {
    running_->cancel = true;
    watcher_->disconnect(this);
    watcher_->waitForFinished();
  }
}

bool RetrievalController::eventFilter(QObject* watched, QEvent* event) {
  // The two-keyword syntax is easy to miss: explain it every time the box is entered.
  if (watched == ui_.keywordBox && event->type() == QEvent::FocusIn)
    ui_.keywordHint->showAt(ui_.keywordBox, kKeywordHintTitle, kKeywordHint, kKeywordHintMsecs);
  return QObject::eventFilter(watched, event);
}

const ResultList& RetrievalController::shownResults() const { return session_.shown(); }

void RetrievalController::showResults(ResultList list, const QString& status_text) {
  session_.show_sentences(std::move(list));
  list_model_->refresh();
  // The panel showed the line of an item of the list just replaced.
  clearBottomPanel();
  showOrderChoice(ResultOrder::Document);
  ui_.statusLine->setText(status_text);
  showListFromTop();
}

void RetrievalController::showListFromTop() {
  ui_.tabs->setCurrentPage(kListPage);
  ui_.resultList->scrollToTop();
}

void RetrievalController::showOrderChoice(ResultOrder order) {
  const QString caption = QString::fromUtf8(kOrderChoices[static_cast<int>(order)]);
  for (QAction* action : ui_.resultList->actions())
    action->setChecked(action->objectName() == caption);
  // Extracted sentences have no hit to sort by.
  const bool sortable = session_.shown().kind == ResultKind::Search;
  for (QAction* action : ui_.resultList->actions())
    action->setEnabled(sortable || action->objectName() == caption);
}

void RetrievalController::sortResults(ResultOrder order) {
  // The item the user was reading stays selected and in view.
  const QModelIndex current = ui_.resultList->currentIndex();
  std::optional<ResultItem> reading;
  if (current.isValid()) reading = session_.shown().items[static_cast<std::size_t>(current.row())];
  const ResultOrder before = session_.shown_order();
  if (!session_.sort_shown(order)) order = before;
  if (session_.shown_order() != before) list_model_->refresh();
  showOrderChoice(order);
  ui_.resultList->scrollToTop();
  if (!reading) return;
  const std::vector<ResultItem>& items = session_.shown().items;
  const auto found = std::find(items.begin(), items.end(), *reading);
  if (found == items.end()) return;
  const QModelIndex row = list_model_->index(static_cast<int>(found - items.begin()));
  ui_.resultList->selectionModel()->setCurrentIndex(row, QItemSelectionModel::ClearAndSelect);
  ui_.resultList->scrollTo(row, QAbstractItemView::PositionAtCenter);
}

void RetrievalController::clearResults() {
  grid_model_->clear();  // it shows the last search's own rows
  session_.clear_search();
  list_model_->refresh();
  ui_.statusLine->clear();
  ui_.hitLine->clear();
}

void RetrievalController::clearBottomPanel() {
  ui_.bottomPanel->clear();
  ui_.bottomPanel->setExtraSelections({});
}

void RetrievalController::search() {
  if (watcher_) return;
  SearchForm form;
  form.keyword_text = to_u16(ui_.keywordBox->text());
  form.mode_text = to_u16(ui_.modeBox->currentText());
  form.n_text = to_u16(ui_.countBox->text());
  form.left_text = to_u16(ui_.leftCountBox->text());
  form.right_text = to_u16(ui_.rightCountBox->text());
  Outcome<SearchPlan> plan = Session::plan_search(corpus_.tree(), corpus_.ticks(), form);
  if (!plan) {
    ui::show_message(main_, plan.refusal());
    return;
  }

  clearResults();
  // Nothing of an earlier search or extraction may pass for part of this one.
  clearBottomPanel();
  ui_.threadInfoBox->clear();
  showListFromTop();
  // A disabled button hands its focus to the next box in the tab chain (the left count, text
  // selected), where the next keystroke would overwrite it; the result list is where the user
  // looks next anyway.
  if (ui_.searchButton->hasFocus()) ui_.resultList->setFocus(Qt::OtherFocusReason);
  ui_.searchButton->setEnabled(false);
  ui_.progressBar->setValue(0);
  ui_.progressBar->show();

  running_ = std::make_shared<RunningSearch>();
  watcher_ = new QFutureWatcher<SearchResults>(this);
  connect(watcher_, &QFutureWatcherBase::finished, this, &RetrievalController::finishSearch);
  auto job = running_;
  watcher_->setFuture(ui::run_in_background([this, job, plan = std::move(*plan)]() mutable {
    SearchOptions options;
    options.cancel = &job->cancel;
    options.progress = [this, job](std::size_t done, std::size_t total) {
      const int percent = total ? static_cast<int>(done * 100 / total) : 100;
      // Workers finish out of order; only a rise is worth a repaint.
      int shown = job->percent.load();
      while (percent > shown && !job->percent.compare_exchange_weak(shown, percent)) {}
      if (percent > shown) emit searchProgress(percent);
    };
    SearchResults results = session_.run_search(std::move(plan), options);
    // The documents without hits and the workers' scratch are freed by now; the window would
    // otherwise keep their memory resident until it closes. A command line run simply ends.
    platform::release_free_memory();
    return results;
  }));
}

void RetrievalController::finishSearch() {
  // Taken out of the future rather than copied: a million items would otherwise be held twice
  // until the watcher is gone.
  SearchResults results = watcher_->future().takeResult();
  watcher_->deleteLater();
  watcher_ = nullptr;
  running_.reset();

  const SearchResults& last = session_.accept_search(std::move(results));
  list_model_->refresh();
  showOrderChoice(ResultOrder::Document);
  showListFromTop();
  grid_model_->setResults(last);
  ui_.statusLine->setText(to_qstring(last.status_line()));
  ui_.hitLine->setText(to_qstring(last.hit_line()));
  ui_.progressBar->hide();
  ui_.progressBar->setValue(0);
  ui_.searchButton->setEnabled(true);

  // The displayed document now shows the hits of this search.
  if (view_->hasDocument()) view_->setHits(find_hits(*view_->text(), last.request));

  if (!last.unreadable.empty()) {
    ui::show_message(main_, utf8(unreadable_documents_text(last.unreadable)));
  }
  emit searchFinished();
}

void RetrievalController::showDocument(const Document& document) {
  std::vector<Hit> hits;
  DocumentText text = session_.read_document(document, &hits);
  if (!text) {
    ui::show_message(main_, utf8(unreadable_documents_text({document})));
    return;
  }
  // Filling the view with a text of many megabytes takes a moment; say so.
  QGuiApplication::setOverrideCursor(Qt::WaitCursor);
  view_->showDocument(document, text, std::move(hits));
  QGuiApplication::restoreOverrideCursor();
  ui_.tabs->setCurrentPage(kFullTextPage);
  ui_.statusLine->setText(QStringLiteral("当前显示的文献：") + to_qstring(document.display_name) +
                          QStringLiteral("，共计") + QString::number(character_count(*text)) +
                          QStringLiteral("字"));
}

void RetrievalController::nextHit() {
  if (!view_->hasDocument()) {
    ui::show_message(main_, Message::NoDocumentDisplayed);
    return;
  }
  if (!session_.last_search()) {
    ui::show_message(main_, Message::NoSearchYet);
    return;
  }
  if (!view_->selectNextHit()) ui::show_message(main_, Message::LastPositionReached);
}

void RetrievalController::showItemLine(std::size_t index) {
  const std::optional<Passage> line = session_.line_of(index, kPanelReach);
  if (!line) return;
  const ResultList& list = session_.shown();
  const ResultItem& item = list.items[index];
  const std::u16string_view text = *list.texts.at(item.document);
  const std::size_t hit_end = std::min(item.hit_start + item.hit_length, text.size());
  const std::size_t begin = line->start;

  const QString name = QStringLiteral("《") +
                       to_qstring(list.documents.at(item.document).display_name) +
                       QStringLiteral("》");
  const std::u16string_view shown = text.substr(begin, line->length);
  ui_.bottomPanel->setPlainText(name + view_text(shown));

  const LineBreakMap map(shown);
  QTextCursor hit(ui_.bottomPanel->document());
  const auto offset = static_cast<std::size_t>(name.size());
  hit.setPosition(static_cast<int>(offset + map.toView(item.hit_start - begin)));
  hit.setPosition(static_cast<int>(offset + map.toView(hit_end - begin)), QTextCursor::KeepAnchor);
  QTextCharFormat format;
  format.setBackground(kPanelHitBackground);
  ui_.bottomPanel->setExtraSelections({QTextEdit::ExtraSelection{hit, format}});
  QTextCursor caret(ui_.bottomPanel->document());
  caret.setPosition(hit.selectionStart());
  ui_.bottomPanel->setTextCursor(caret);
  ui_.bottomPanel->ensureCursorVisible();
}

ui::DesignedWindow* RetrievalController::openContext(std::size_t index) {
  const std::optional<Passage> passage = session_.context_of(index);
  if (!passage) return nullptr;
  return open_context_window(session_.shown(), index, *passage, main_);
}

}  // namespace lantaro
