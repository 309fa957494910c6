#include "gui/corpus/corpus_tree_model.h"

#include <algorithm>
#include <string>
#include <unordered_set>

#include "gui/ui/artwork.h"

namespace lantaro {

CorpusTreeModel::CorpusTreeModel(QObject* parent)
    : QAbstractItemModel(parent), folder_(ui::tree_picture(0)), page_(ui::tree_picture(1)) {}

void CorpusTreeModel::setTree(LibraryTree tree) {
  beginResetModel();
  tree_ = std::move(tree);
  ticks_.assign(tree_.size(), 0);
  endResetModel();
}

void CorpusTreeModel::updateTree(LibraryTree tree) {
  // Paths name the same items in the new tree; a directory and a document never share one.
  std::unordered_set<std::string> ticked;
  for (std::size_t i = 0; i < tree_.size(); ++i)
    if (ticks_[i]) ticked.insert(tree_[i].relative_path);
  beginResetModel();
  tree_ = std::move(tree);
  ticks_.assign(tree_.size(), 0);
  for (std::size_t i = 0; i < tree_.size() && !ticked.empty(); ++i)
    if (ticked.count(tree_[i].relative_path)) ticks_[i] = 1;
  endResetModel();
}

std::optional<std::size_t> CorpusTreeModel::itemAt(std::string_view relative_path) const {
  for (std::size_t i = 0; i < tree_.size(); ++i)
    if (tree_[i].relative_path == relative_path) return i;
  return std::nullopt;
}

QModelIndex CorpusTreeModel::indexOfItem(std::size_t item) const {
  if (item >= tree_.size()) return {};
  return createIndex(static_cast<int>(tree_[item].row), 0, static_cast<quintptr>(item));
}

std::size_t CorpusTreeModel::itemOf(const QModelIndex& index) const {
  if (!index.isValid() || index.model() != this) return kNoParent;
  std::size_t item = static_cast<std::size_t>(index.internalId());
  return item < tree_.size() ? item : kNoParent;
}

void CorpusTreeModel::setTicked(std::size_t item, bool ticked) {
  if (item >= tree_.size()) return;
  tick_subtree(tree_, ticks_, item, ticked);
  const QList<int> roles{Qt::CheckStateRole};
  QModelIndex self = indexOfItem(item);
  emit dataChanged(self, self, roles);
  // The items below form one run of rows under each directory of the branch.
  for (std::size_t i = item; i < tree_[item].end; ++i) {
    const auto& children = tree_[i].children;
    if (children.empty()) continue;
    emit dataChanged(indexOfItem(children.front()), indexOfItem(children.back()), roles);
  }
}

std::vector<Document> CorpusTreeModel::tickedDocuments() const {
  return ticked_documents(tree_, ticks_);
}

bool CorpusTreeModel::anythingTicked() const {
  return std::any_of(ticks_.begin(), ticks_.end(), [](unsigned char t) { return t != 0; });
}

QModelIndex CorpusTreeModel::index(int row, int column, const QModelIndex& parent) const {
  if (row < 0 || column != 0) return {};
  std::size_t parent_item = parent.isValid() ? itemOf(parent) : kNoParent;
  if (parent.isValid() && parent_item == kNoParent) return {};
  const auto& children = tree_.children_of(parent_item);
  if (static_cast<std::size_t>(row) >= children.size()) return {};
  return createIndex(row, 0, static_cast<quintptr>(children[static_cast<std::size_t>(row)]));
}

QModelIndex CorpusTreeModel::parent(const QModelIndex& child) const {
  std::size_t item = itemOf(child);
  if (item == kNoParent) return {};
  return indexOfItem(tree_[item].parent);
}

int CorpusTreeModel::rowCount(const QModelIndex& parent) const {
  if (parent.column() > 0) return 0;
  std::size_t item = parent.isValid() ? itemOf(parent) : kNoParent;
  if (parent.isValid() && item == kNoParent) return 0;
  return static_cast<int>(tree_.children_of(item).size());
}

int CorpusTreeModel::columnCount(const QModelIndex&) const { return 1; }

bool CorpusTreeModel::hasChildren(const QModelIndex& parent) const { return rowCount(parent) > 0; }

QVariant CorpusTreeModel::data(const QModelIndex& index, int role) const {
  std::size_t item = itemOf(index);
  if (item == kNoParent) return {};
  const LibraryItem& entry = tree_[item];
  switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole: return QString::fromStdU16String(entry.label);
    case Qt::DecorationRole: return entry.is_directory ? folder_ : page_;
    case Qt::CheckStateRole: return ticks_[item] ? Qt::Checked : Qt::Unchecked;
    default: return {};
  }
}

bool CorpusTreeModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  std::size_t item = itemOf(index);
  if (item == kNoParent || role != Qt::CheckStateRole) return false;
  bool ticked = value.toInt() != Qt::Unchecked;
  setTicked(item, ticked);
  emit checkToggled(static_cast<int>(item), ticked ? 1 : 0);
  return true;
}

Qt::ItemFlags CorpusTreeModel::flags(const QModelIndex& index) const {
  if (itemOf(index) == kNoParent) return Qt::NoItemFlags;
  // Labels are names on disk: never editable here.
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable;
}

}  // namespace lantaro
