#pragma once
// The result list as a model: one row per item, the text built only when a view asks for it, so
// a million items cost no more than the items themselves.

#include <cstdint>
#include <vector>

#include <QAbstractListModel>

#include "engine/retrieval/result_list.h"
#include "engine/retrieval/result_order.h"

namespace lantaro {

class ResultListModel : public QAbstractListModel {
  Q_OBJECT

 public:
  explicit ResultListModel(QObject* parent = nullptr);

  // Takes a list in document order and shows it so.
  void set_results(ResultList list);
  void clear();
  // The items in the order shown: exports and the list's events read them in this order.
  const ResultList& results() const { return list_; }

  // Shows the items in another order (sentences keep document order); false when refused.
  bool set_order(ResultOrder order);
  ResultOrder order() const { return order_; }

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

 private:
  ResultList list_;
  ResultOrder order_ = ResultOrder::Document;
  // Position in document order of each shown item; empty while shown in document order.
  std::vector<std::uint32_t> rank_;
  int longest_left_ = 0;  // characters, for the hit column
};

}  // namespace lantaro
