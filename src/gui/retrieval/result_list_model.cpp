#include "gui/retrieval/result_list_model.h"

#include <algorithm>
#include <limits>

#include "gui/ui/kwic_delegate.h"
#include "gui/ui/qt_text.h"

namespace lantaro {

namespace {
// A view cannot address more rows than an int holds; the rest are simply not shown.
int clamp_rows(std::size_t n) {
  constexpr auto kMax = static_cast<std::size_t>(std::numeric_limits<int>::max());
  return static_cast<int>(n < kMax ? n : kMax);
}
}  // namespace

ResultListModel::ResultListModel(Source source, QObject* parent)
    : QAbstractListModel(parent), source_(std::move(source)) {}

void ResultListModel::refresh() {
  beginResetModel();
  const ResultList& list = results();
  std::size_t longest = 0;
  if (list.kind == ResultKind::Search)
    for (const ResultItem& item : list.items)
      longest = std::max(longest, item.hit_start - item.start);
  longest_left_ = clamp_rows(longest);
  endResetModel();
}

int ResultListModel::rowCount(const QModelIndex& parent) const {
  if (parent.isValid()) return 0;
  return clamp_rows(results().size());
}

QVariant ResultListModel::data(const QModelIndex& index, int role) const {
  const ResultList& list = results();
  if (!index.isValid() || index.column() != 0 || index.row() < 0 ||
      static_cast<std::size_t>(index.row()) >= list.size())
    return {};
  const auto row = static_cast<std::size_t>(index.row());
  if (role == Qt::DisplayRole || role == Qt::ToolTipRole) return to_qstring(list.item_text(row));
  if (list.kind != ResultKind::Search) return {};
  switch (role) {
    case ui::KwicLeftRole: return to_qstring(list.left_context(row));
    case ui::KwicHitRole: return to_qstring(list.hit_text(row));
    case ui::KwicRightRole:
      return to_qstring(list.right_context(row)) +
             to_qstring(citation_suffix(list.documents.at(list.items[row].document).display_name));
    case ui::KwicLeftCharactersRole: return longest_left_;
    case ui::KwicSuffixRole:
      return to_qstring(citation_suffix(list.documents.at(list.items[row].document).display_name));
    default: return {};
  }
}

Qt::ItemFlags ResultListModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

}  // namespace lantaro
