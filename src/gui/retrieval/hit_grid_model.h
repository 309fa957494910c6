#pragma once
// The hit grid: one read-only row per document with at least one hit, in search order.

#include <span>
#include <vector>

#include <QAbstractTableModel>

#include "engine/corpus/document.h"

namespace lantaro {

struct SearchResults;

class HitGridModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  enum Column { SerialColumn = 0, DocumentColumn = 1, HitsColumn = 2, ColumnCount = 3 };

  explicit HitGridModel(QObject* parent = nullptr);

  // Shows the rows of a search: its hit documents and their counts, read from `results` itself
  // (a copy of a hundred thousand documents would cost as much as the result list), which must
  // therefore outlive the rows, until the next setResults, setRows or clear.
  void setResults(const SearchResults& results);
  // Rows the model keeps its own copy of.
  void setRows(std::vector<Document> documents, std::vector<std::size_t> hit_counts);
  void clear();
  // The document of a row; nullptr outside the rows.
  const Document* documentAt(int row) const;

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role = Qt::DisplayRole) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

 private:
  void showRows(const std::vector<Document>& documents, const std::vector<std::size_t>& hit_counts);

  std::vector<Document> own_documents_;
  std::vector<std::size_t> own_hit_counts_;
  std::span<const Document> documents_;  // the rows shown: a search's, or the model's own
  std::span<const std::size_t> hit_counts_;
};

}  // namespace lantaro
