#pragma once
// The result list as a model: one row per item, the text built only when a view asks for it, so
// a million items cost no more than the items themselves.

#include <QAbstractListModel>

#include "engine/retrieval/result_list.h"

namespace lantaro {

class ResultListModel : public QAbstractListModel {
  Q_OBJECT

 public:
  explicit ResultListModel(QObject* parent = nullptr);

  void set_results(ResultList list);
  void clear();
  const ResultList& results() const { return list_; }

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

 private:
  ResultList list_;
};

}  // namespace lantaro
