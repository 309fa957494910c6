#pragma once
// The result list as a model: a view of a list someone else owns (the session's list shown), one
// row per item, the text built only when a view asks for it, so a million items cost no more than
// the items themselves.

#include <functional>

#include <QAbstractListModel>

#include "engine/retrieval/result_list.h"

namespace lantaro {

class ResultListModel : public QAbstractListModel {
  Q_OBJECT

 public:
  // `source` gives the list to show; it is asked at every look-up, so the model never holds on
  // to a list that has been replaced.
  using Source = std::function<const ResultList&()>;
  explicit ResultListModel(Source source, QObject* parent = nullptr);

  // The source's list has been replaced or reordered.
  void refresh();
  const ResultList& results() const { return source_(); }

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

 private:
  Source source_;
  int longest_left_ = 0;  // characters, for the hit column
};

}  // namespace lantaro
