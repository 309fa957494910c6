#include "gui/retrieval/hit_grid_model.h"

#include <stdexcept>

#include "engine/common/text.h"
#include "engine/export/spreadsheet_export.h"
#include "engine/retrieval/searcher.h"
#include "gui/ui/qt_text.h"

namespace lantaro {

HitGridModel::HitGridModel(QObject* parent) : QAbstractTableModel(parent) {}

void HitGridModel::setResults(const SearchResults& results) {
  showRows(results.list.documents, results.hit_counts);
}

void HitGridModel::setRows(std::vector<Document> documents, std::vector<std::size_t> hit_counts) {
  if (documents.size() != hit_counts.size())
    throw std::invalid_argument("hit grid: one count per document");
  beginResetModel();
  own_documents_ = std::move(documents);
  own_hit_counts_ = std::move(hit_counts);
  documents_ = own_documents_;
  hit_counts_ = own_hit_counts_;
  endResetModel();
}

void HitGridModel::showRows(const std::vector<Document>& documents,
                            const std::vector<std::size_t>& hit_counts) {
  if (documents.size() != hit_counts.size())
    throw std::invalid_argument("hit grid: one count per document");
  beginResetModel();
  documents_ = documents;
  hit_counts_ = hit_counts;
  own_documents_ = {};
  own_hit_counts_ = {};
  endResetModel();
}

void HitGridModel::clear() { setRows({}, {}); }

int HitGridModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(documents_.size());
}

int HitGridModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : ColumnCount;
}

QVariant HitGridModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() < 0 || index.row() >= rowCount() || index.column() < 0 ||
      index.column() >= ColumnCount)
    return {};
  const auto row = static_cast<std::size_t>(index.row());
  switch (role) {
    case Qt::DisplayRole:
      switch (index.column()) {
        case SerialColumn: return static_cast<qulonglong>(row + 1);
        case DocumentColumn: return to_qstring(documents_[row].display_name);
        case HitsColumn: return static_cast<qulonglong>(hit_counts_[row]);
      }
      break;
    case Qt::ToolTipRole:
      // The display name alone does not tell apart two documents of the same name.
      if (index.column() == DocumentColumn)
        // In the system's own form: a Windows user reads backslashes throughout.
        return QString::fromStdString(
            readable_path(std::filesystem::path(documents_[row].path).make_preferred()));
      break;
    case Qt::TextAlignmentRole:
      if (index.column() != DocumentColumn)
        return QVariant::fromValue(Qt::Alignment(Qt::AlignRight | Qt::AlignVCenter));
      break;
  }
  return {};
}

QVariant HitGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  if (section < 0 || section >= ColumnCount) return {};
  return to_qstring(kHitGridHeader[static_cast<std::size_t>(section)]);
}

Qt::ItemFlags HitGridModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

const Document* HitGridModel::documentAt(int row) const {
  if (row < 0 || static_cast<std::size_t>(row) >= documents_.size()) return nullptr;
  return &documents_[static_cast<std::size_t>(row)];
}

}  // namespace lantaro
