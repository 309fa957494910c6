#include "gui/retrieval/result_list_model.h"

#include <limits>

#include "gui/retrieval/qt_text.h"

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
  endResetModel();
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
  if (role == Qt::DisplayRole || role == Qt::ToolTipRole)
    return to_qstring(list_.item_text(static_cast<std::size_t>(index.row())));
  return {};
}

Qt::ItemFlags ResultListModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

}  // namespace lantaro
