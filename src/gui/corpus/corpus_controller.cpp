#include "gui/corpus/corpus_controller.h"

#include <QAbstractButton>
#include <QEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTimer>
#include <QTreeView>

#include "engine/common/messages.h"
#include "gui/corpus/add_corpus_window.h"
#include "gui/corpus/corpus_tree_model.h"
#include "gui/ui/designed_window.h"
#include "gui/ui/tab_control.h"
#include "gui/ui/user_prompts.h"
#include "gui/ui/window_builder.h"
#include "gui/ui/window_controls.h"

namespace lantaro {
namespace {

constexpr int kKeyboard = 0;
constexpr int kMouse = 1;
constexpr int kOther = 2;

}  // namespace

QRect corpus_check_box_rect(const QTreeView* view, const QModelIndex& index) {
  if (!index.isValid()) return {};
  QStyleOptionViewItem option;
  option.initFrom(view->viewport());
  option.widget = view;
  option.rect = view->visualRect(index);
  option.features = QStyleOptionViewItem::HasCheckIndicator | QStyleOptionViewItem::HasDisplay |
                    QStyleOptionViewItem::HasDecoration;
  option.decorationSize = view->iconSize().isValid()
                              ? view->iconSize()
                              : QSize(view->style()->pixelMetric(QStyle::PM_SmallIconSize),
                                      view->style()->pixelMetric(QStyle::PM_SmallIconSize));
  option.text = index.data(Qt::DisplayRole).toString();
  option.checkState = static_cast<Qt::CheckState>(index.data(Qt::CheckStateRole).toInt());
  option.viewItemPosition = QStyleOptionViewItem::OnlyOne;
  return view->style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, view);
}

CorpusController::CorpusController(ui::DesignedWindow* main, const RunDirectory& run)
    : QObject(main), main_(main), run_(run) {
  const auto controls = ui::resolve_controls<ui::MainWindowControls>(*main);
  view_ = controls.corpusTree;
  model_ = new CorpusTreeModel(this);
  connect(model_, &CorpusTreeModel::checkToggled, this, &CorpusController::onCheckToggled);
  // The designed tree comes with placeholder items in a model of its own; they go now.
  QAbstractItemModel* placeholders = view_->model();
  QItemSelectionModel* old_selection = view_->selectionModel();
  view_->setModel(model_);
  if (placeholders && placeholders->parent() == view_) placeholders->deleteLater();
  if (old_selection) old_selection->deleteLater();
  view_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  view_->setSelectionMode(QAbstractItemView::SingleSelection);
  view_->setExpandsOnDoubleClick(true);
  // Every row is one line: lets Qt skip measuring a hundred thousand items.
  view_->setUniformRowHeights(true);
  connect(view_->selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this](const QModelIndex& current) { onCurrentChanged(current); });
  view_->installEventFilter(this);
  viewport_ = view_->viewport();
  view_->viewport()->installEventFilter(this);
  connect(controls.refreshButton, &QAbstractButton::clicked, this, &CorpusController::rebuild);
  connect(controls.addCorpusButton, &QAbstractButton::clicked, this,
          &CorpusController::openAddCorpusWindow);
  rebuild();
}

std::vector<Document> CorpusController::tickedDocuments() const {
  return model_->tickedDocuments();
}

bool CorpusController::anythingTicked() const { return model_->anythingTicked(); }

const LibraryTree& CorpusController::tree() const { return model_->tree(); }

const std::vector<unsigned char>& CorpusController::ticks() const { return model_->ticks(); }

void CorpusController::rebuild() {
  model_->setTree(scan_library(run_.corpus_path()));
  if (corpus_folder_unusable(run_.corpus_path()))
    ui::show_message(main_,
                     QString::fromStdString(corpus_folder_unusable_message(run_.corpus_folder())));
}

void CorpusController::refreshKeepingTicks() {
  std::vector<std::string> expanded;
  std::string current;
  if (view_) {
    for (std::size_t i = 0; i < model_->tree().size(); ++i)
      if (model_->tree()[i].is_directory && view_->isExpanded(model_->indexOfItem(i)))
        expanded.push_back(model_->tree()[i].relative_path);
    if (std::size_t item = model_->itemOf(view_->currentIndex()); item != kNoParent)
      current = model_->tree()[item].relative_path;
  }
  model_->updateTree(scan_library(run_.corpus_path()));
  if (!view_) return;
  for (const std::string& path : expanded)
    if (auto item = model_->itemAt(path)) view_->expand(model_->indexOfItem(*item));
  if (auto item = model_->itemAt(current)) {
    const int saved = cause_;
    cause_ = kOther;
    view_->setCurrentIndex(model_->indexOfItem(*item));
    cause_ = saved;
  }
}

void CorpusController::openAddCorpusWindow() {
  if (add_window_) {
    add_window_->open();  // already open: bring it to the front
    return;
  }
  ui::DesignedWindow* window = ui::build_window(ui::WindowId::AddCorpus, main_);
  auto* add = new AddCorpusWindow(window, run_);
  connect(add, &AddCorpusWindow::libraryChanged, this, &CorpusController::refreshKeepingTicks);
  add_window_ = window;
  window->open();
}

void CorpusController::setCause(int cause) {
  cause_ = cause;
  // The cause belongs to the input event being handled now; anything later is the program's.
  if (reset_pending_) return;
  reset_pending_ = true;
  QTimer::singleShot(0, this, [this] {
    cause_ = kOther;
    reset_pending_ = false;
  });
}

void CorpusController::onCurrentChanged(const QModelIndex& current) {
  std::size_t item = model_->itemOf(current);
  if (item == kNoParent) return;
  emit selectionChangedWithCause(static_cast<int>(item), cause_);
}

void CorpusController::toggle(const QModelIndex& index) {
  std::size_t item = model_->itemOf(index);
  if (item == kNoParent) return;
  model_->setData(index, model_->isTicked(item) ? Qt::Unchecked : Qt::Checked, Qt::CheckStateRole);
}

void CorpusController::onCheckToggled(int item, int state) {
  QModelIndex index = model_->indexOfItem(static_cast<std::size_t>(item));
  if (view_ && view_->currentIndex() != index) {
    int saved = cause_;
    cause_ = kOther;
    view_->setCurrentIndex(index);
    cause_ = saved;
  }
  // Delivered after the toggle has fully taken effect, as the next event.
  QMetaObject::invokeMethod(
      this, [this, item, state] { emit checkChanged(item, state); }, Qt::QueuedConnection);
}

bool CorpusController::eventFilter(QObject* watched, QEvent* event) {
  if (!view_) return false;
  if (watched == view_ && event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Space || key->key() == Qt::Key_Select) {
      if (view_->currentIndex().isValid()) toggle(view_->currentIndex());
      return true;
    }
    setCause(kKeyboard);
    return false;
  }
  if (watched != viewport_) return false;
  switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
      auto* mouse = static_cast<QMouseEvent*>(event);
      QPoint at = mouse->position().toPoint();
      QModelIndex index = view_->indexAt(at);
      bool double_click = event->type() == QEvent::MouseButtonDblClick;
      if (double_click) emit doubleClicked();
      if (mouse->button() == Qt::LeftButton && index.isValid() &&
          corpus_check_box_rect(view_, index).contains(at)) {
        // The box toggles on release; the tree itself must not select the item by mouse.
        pressed_on_box_ = model_->itemOf(index);
        return true;
      }
      pressed_on_box_ = kNoParent;
      if (double_click) {
        std::size_t item = model_->itemOf(index);
        if (item != kNoParent && !model_->tree()[item].is_directory) {
          Document document = model_->tree().document(item);
          emit documentActivated(document);
        }
      }
      setCause(mouse->button() == Qt::LeftButton ? kMouse : kOther);
      return false;
    }
    case QEvent::MouseButtonRelease: {
      if (pressed_on_box_ == kNoParent) return false;
      auto* mouse = static_cast<QMouseEvent*>(event);
      QPoint at = mouse->position().toPoint();
      QModelIndex index = view_->indexAt(at);
      std::size_t pressed = pressed_on_box_;
      pressed_on_box_ = kNoParent;
      if (model_->itemOf(index) == pressed && corpus_check_box_rect(view_, index).contains(at))
        toggle(index);
      return true;
    }
    case QEvent::MouseMove:
      if (static_cast<QMouseEvent*>(event)->buttons() != Qt::NoButton) setCause(kMouse);
      return pressed_on_box_ != kNoParent;
    default: return false;
  }
}

}  // namespace lantaro
