#include "gui/retrieval/result_list_model.h"

#include <algorithm>
#include <limits>

#include "gui/retrieval/qt_text.h"
#include "gui/ui/kwic_delegate.h"

namespace lantaro {

namespace {
// A view cannot address more rows than an int holds; the rest are simply not shown.
int clamp_rows(std::size_t n) {
  constexpr auto kMax = static_cast<std::size_t>(std::numeric_limits<int>::max());
  return static_cast<int>(n < kMax ? n : kMax);
}
}  // namespace

ResultListModel::ResultListModel(QObject* parent) : QAbstractListModel(parent) {}

void ResultListModel::set_results(ResultList list) {
  beginResetModel();
  list_ = std::move(list);
  order_ = ResultOrder::Document;
  rank_.clear();
  std::size_t longest = 0;
  if (list_.kind == ResultKind::Search)
    for (const ResultItem& item : list_.items)
      longest = std::max(longest, item.hit_start - item.start);
  longest_left_ = clamp_rows(longest);
  endResetModel();
}

bool ResultListModel::set_order(ResultOrder order) {
  if (order != ResultOrder::Document && list_.kind != ResultKind::Search) return false;
  if (order == order_) return true;
  beginResetModel();
  // Orders and their ties are defined on document order: go back to it first.
  if (!rank_.empty()) {
    std::vector<ResultItem> found(list_.items.size());
    for (std::size_t r = 0; r < rank_.size(); ++r) found[rank_[r]] = list_.items[r];
    list_.items = std::move(found);
    rank_.clear();
  }
  if (order != ResultOrder::Document) {
    rank_ = result_order(list_, order);
    apply_result_order(list_, rank_);
  }
  order_ = order;
  endResetModel();
  return true;
}

void ResultListModel::clear() { set_results(ResultList{}); }

int ResultListModel::rowCount(const QModelIndex& parent) const {
  if (parent.isValid()) return 0;
  return clamp_rows(list_.size());
}

QVariant ResultListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.column() != 0 || index.row() < 0 ||
      static_cast<std::size_t>(index.row()) >= list_.size())
    return {};
  const auto row = static_cast<std::size_t>(index.row());
  if (role == Qt::DisplayRole || role == Qt::ToolTipRole) return to_qstring(list_.item_text(row));
  if (list_.kind != ResultKind::Search) return {};
  switch (role) {
    case ui::KwicLeftRole: return to_qstring(list_.left_context(row));
    case ui::KwicHitRole: return to_qstring(list_.hit_text(row));
    case ui::KwicRightRole:
      return to_qstring(list_.right_context(row)) +
             to_qstring(
                 citation_suffix(list_.documents.at(list_.items[row].document).display_name));
    case ui::KwicLeftCharactersRole: return longest_left_;
    default: return {};
  }
}

Qt::ItemFlags ResultListModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

}  // namespace lantaro
