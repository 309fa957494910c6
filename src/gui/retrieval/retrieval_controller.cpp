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

#include "engine/common/settings_file.h"
#include "engine/common/text.h"
#include "engine/retrieval/text_scan.h"
#include "gui/corpus/corpus_controller.h"
#include "gui/retrieval/context_window.h"
#include "gui/retrieval/document_view.h"
#include "gui/retrieval/hit_grid_model.h"
#include "gui/retrieval/qt_text.h"
#include "gui/retrieval/result_list_model.h"
#include "gui/ui/background_task.h"
#include "gui/ui/balloon_tip.h"
#include "gui/ui/designed_window.h"
#include "gui/ui/tab_control.h"
#include "gui/ui/user_prompts.h"

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
      run_(run),
      corpus_(corpus),
      session_(run, LibraryTree()),
      keyword_box_(main->requiredControl<QLineEdit>("编辑框_关键词")),
      mode_box_(main->requiredControl<QComboBox>("组合框_组合模式")),
      n_box_(main->requiredControl<QLineEdit>("编辑框_字数")),
      left_box_(main->requiredControl<QLineEdit>("编辑框_左字数")),
      right_box_(main->requiredControl<QLineEdit>("编辑框_右字数")),
      search_button_(main->requiredControl<QPushButton>("按钮_搜索")),
      progress_(main->requiredControl<QProgressBar>("进度条1")),
      hint_(main->requiredControl<ui::BalloonTip>("气球提示框1")),
      tabs_(main->requiredControl<ui::TabControl>("高级选择夹1")),
      list_view_(main->requiredControl<QListView>("列表框1")),
      grid_view_(main->requiredControl<QTableView>("高级表格1")),
      status_line_(main->requiredControl<QLabel>("透明标签_执行结果")),
      hit_line_(main->requiredControl<QLabel>("透明标签1")),
      full_text_(main->requiredControl<QPlainTextEdit>("超级编辑框1")),
      next_button_(main->requiredControl<QPushButton>("按钮1")),
      panel_(main->requiredControl<QPlainTextEdit>("超级编辑框2")),
      thread_box_(main->requiredControl<QLineEdit>("编辑框_线程执行信息")),
      list_model_(new ResultListModel(this)),
      grid_model_(new HitGridModel(this)),
      view_(new DocumentView(full_text_, this)) {
  list_view_->setUniformItemSizes(true);
  list_view_->setSelectionMode(QAbstractItemView::SingleSelection);
  list_view_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  list_view_->setModel(list_model_);

  grid_view_->setModel(grid_model_);
  grid_view_->setSelectionBehavior(QAbstractItemView::SelectRows);
  grid_view_->setSelectionMode(QAbstractItemView::SingleSelection);
  grid_view_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  grid_view_->verticalHeader()->setVisible(false);
  // Rows of one text line: the small grid then shows five documents instead of three and a half.
  grid_view_->verticalHeader()->setDefaultSectionSize(grid_view_->fontMetrics().lineSpacing() + 4);
  grid_view_->horizontalHeader()->setSectionResizeMode(HitGridModel::DocumentColumn,
                                                       QHeaderView::Stretch);
  grid_view_->setColumnWidth(HitGridModel::SerialColumn, 48);
  grid_view_->setColumnWidth(HitGridModel::HitsColumn, 72);

  connect(search_button_, &QPushButton::clicked, this, &RetrievalController::search);
  connect(next_button_, &QPushButton::clicked, this, &RetrievalController::next_hit);
  connect(&corpus_, &CorpusController::documentActivated, this,
          &RetrievalController::show_document);
  connect(list_view_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
          [this](const QModelIndex& current) {
            if (current.isValid()) show_item_line(static_cast<std::size_t>(current.row()));
          });
  connect(list_view_, &QListView::doubleClicked, this, [this](const QModelIndex& index) {
    if (index.isValid()) open_context(static_cast<std::size_t>(index.row()));
  });
  for (ResultOrder order : {ResultOrder::Document, ResultOrder::Left, ResultOrder::Right}) {
    auto* action = list_view_->findChild<QAction*>(
        QString::fromUtf8(kOrderChoices[static_cast<int>(order)]), Qt::FindDirectChildrenOnly);
    Q_ASSERT(action);
    if (action) connect(action, &QAction::triggered, this, [this, order] { sort_results(order); });
  }
  // As the corpus tree's double click: the document with its hits, on the second page.
  connect(grid_view_, &QTableView::doubleClicked, this, [this](const QModelIndex& index) {
    if (const Document* document = grid_model_->document_at(index.row())) show_document(*document);
  });
  // Queued by nature: emitted on worker threads, received on the UI thread.
  connect(this, &RetrievalController::searchProgress, progress_, &QProgressBar::setValue);

  keyword_box_->installEventFilter(this);
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
  if (watched == keyword_box_ && event->type() == QEvent::FocusIn)
    hint_->showAt(keyword_box_, kKeywordHintTitle, kKeywordHint, kKeywordHintMsecs);
  return QObject::eventFilter(watched, event);
}

const ResultList& RetrievalController::shown_results() const { return list_model_->results(); }

void RetrievalController::show_results(ResultList list, const QString& status_text) {
  list_model_->set_results(std::move(list));
  show_order_choice(ResultOrder::Document);
  status_line_->setText(status_text);
  show_list_from_top();
  emit resultsChanged();
}

void RetrievalController::show_list_from_top() {
  tabs_->setCurrentPage(kListPage);
  list_view_->scrollToTop();
}

void RetrievalController::show_order_choice(ResultOrder order) {
  const QString caption = QString::fromUtf8(kOrderChoices[static_cast<int>(order)]);
  for (QAction* action : list_view_->actions()) action->setChecked(action->objectName() == caption);
  // Extracted sentences have no hit to sort by.
  const bool sortable = list_model_->results().kind == ResultKind::Search;
  for (QAction* action : list_view_->actions())
    action->setEnabled(sortable || action->objectName() == caption);
}

void RetrievalController::sort_results(ResultOrder order) {
  // The item the user was reading stays selected and in view.
  const QModelIndex current = list_view_->currentIndex();
  std::optional<ResultItem> reading;
  if (current.isValid())
    reading = list_model_->results().items[static_cast<std::size_t>(current.row())];
  if (!list_model_->set_order(order)) order = list_model_->order();
  show_order_choice(order);
  list_view_->scrollToTop();
  if (!reading) return;
  const std::vector<ResultItem>& items = list_model_->results().items;
  const auto found = std::find(items.begin(), items.end(), *reading);
  if (found == items.end()) return;
  const QModelIndex row = list_model_->index(static_cast<int>(found - items.begin()));
  list_view_->selectionModel()->setCurrentIndex(row, QItemSelectionModel::ClearAndSelect);
  list_view_->scrollTo(row, QAbstractItemView::PositionAtCenter);
}

void RetrievalController::clear_results() {
  session_.clear_search();
  list_model_->clear();
  grid_model_->clear();
  status_line_->clear();
  hit_line_->clear();
  emit resultsChanged();
}

void RetrievalController::search() {
  if (watcher_) return;
  SearchForm form;
  form.keyword_text = to_u16(keyword_box_->text());
  form.mode_text = to_u16(mode_box_->currentText());
  form.n_text = to_u16(n_box_->text());
  form.left_text = to_u16(left_box_->text());
  form.right_text = to_u16(right_box_->text());
  Outcome<SearchPlan> plan = Session::plan_search(corpus_.tree(), corpus_.ticks(), form);
  if (!plan) {
    ui::show_message(main_, plan.refusal());
    return;
  }

  clear_results();
  // Nothing of an earlier search or extraction may pass for part of this one.
  panel_->clear();
  panel_->setExtraSelections({});
  thread_box_->clear();
  show_list_from_top();
  // A disabled button hands its focus to the next box in the tab chain (the left count, text
  // selected), where the next keystroke would overwrite it; the result list is where the user
  // looks next anyway.
  if (search_button_->hasFocus()) list_view_->setFocus(Qt::OtherFocusReason);
  search_button_->setEnabled(false);
  progress_->setValue(0);
  progress_->show();

  running_ = std::make_shared<RunningSearch>();
  watcher_ = new QFutureWatcher<SearchResults>(this);
  connect(watcher_, &QFutureWatcherBase::finished, this, &RetrievalController::finish_search);
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
    return session_.run_search(std::move(plan), options);
  }));
}

void RetrievalController::finish_search() {
  SearchResults results = watcher_->result();
  watcher_->deleteLater();
  watcher_ = nullptr;
  running_.reset();

  const SearchResults& last = session_.accept_search(std::move(results));
  list_model_->set_results(last.list);
  show_order_choice(ResultOrder::Document);
  show_list_from_top();
  grid_model_->set_results(last);
  status_line_->setText(to_qstring(last.status_line()));
  hit_line_->setText(to_qstring(last.hit_line()));
  progress_->hide();
  progress_->setValue(0);
  search_button_->setEnabled(true);

  // The displayed document now shows the hits of this search.
  if (view_->has_document()) view_->set_hits(find_hits(*view_->text(), last.request));

  emit resultsChanged();
  if (!last.unreadable.empty()) {
    ui::show_message(main_, utf8(unreadable_documents_text(last.unreadable)));
  }
  emit searchFinished();
}

void RetrievalController::show_document(const Document& document) {
  std::vector<Hit> hits;
  DocumentText text = session_.read_document(document, &hits);
  if (!text) {
    ui::show_message(main_, utf8(unreadable_documents_text({document})));
    return;
  }
  // Filling the view with a text of many megabytes takes a moment; say so.
  QGuiApplication::setOverrideCursor(Qt::WaitCursor);
  view_->show_document(document, text, std::move(hits));
  QGuiApplication::restoreOverrideCursor();
  tabs_->setCurrentPage(kFullTextPage);
  status_line_->setText(QStringLiteral("当前显示的文献：") + to_qstring(document.display_name) +
                        QStringLiteral("，共计") + QString::number(character_count(*text)) +
                        QStringLiteral("字"));
}

void RetrievalController::next_hit() {
  if (!view_->has_document()) {
    ui::show_message(main_, Message::NoDocumentDisplayed);
    return;
  }
  if (!session_.last_search()) {
    ui::show_message(main_, Message::NoSearchYet);
    return;
  }
  if (!view_->select_next_hit()) ui::show_message(main_, Message::LastPositionReached);
}

void RetrievalController::show_item_line(std::size_t index) {
  const ResultList& list = shown_results();
  if (index >= list.size()) return;
  const ResultItem& item = list.items[index];
  const std::u16string_view text = *list.texts.at(item.document);
  const std::size_t hit_end = std::min(item.hit_start + item.hit_length, text.size());

  std::size_t begin = item.hit_start;
  const std::size_t floor = item.hit_start > kPanelReach ? item.hit_start - kPanelReach : 0;
  while (begin > floor && !scan::is_line_break(text[begin - 1])) --begin;
  if (begin < text.size() && is_low_surrogate(text[begin]) && begin < item.hit_start) ++begin;
  std::size_t end = hit_end;
  const std::size_t ceiling = std::min(text.size(), hit_end + kPanelReach);
  while (end < ceiling && !scan::is_line_break(text[end])) ++end;
  if (end < text.size() && end > hit_end && is_low_surrogate(text[end])) --end;

  const QString name = QStringLiteral("《") +
                       to_qstring(list.documents.at(item.document).display_name) +
                       QStringLiteral("》");
  const std::u16string_view line = text.substr(begin, end - begin);
  panel_->setPlainText(name + view_text(line));

  const LineBreakMap map(line);
  QTextCursor hit(panel_->document());
  const auto offset = static_cast<std::size_t>(name.size());
  hit.setPosition(static_cast<int>(offset + map.to_view(item.hit_start - begin)));
  hit.setPosition(static_cast<int>(offset + map.to_view(hit_end - begin)), QTextCursor::KeepAnchor);
  QTextCharFormat format;
  format.setBackground(kPanelHitBackground);
  panel_->setExtraSelections({QTextEdit::ExtraSelection{hit, format}});
  QTextCursor caret(panel_->document());
  caret.setPosition(hit.selectionStart());
  panel_->setTextCursor(caret);
  panel_->ensureCursorVisible();
}

ui::DesignedWindow* RetrievalController::open_context(std::size_t index) {
  const ResultList& list = shown_results();
  if (index >= list.size()) return nullptr;
  // Read at every opening, so an edited settings file takes effect without a restart.
  const ContextLengths lengths = read_context_lengths(run_);
  return open_context_window(list, index, static_cast<std::size_t>(lengths.before),
                             static_cast<std::size_t>(lengths.after), main_);
}

}  // namespace lantaro
