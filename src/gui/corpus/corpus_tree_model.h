#pragma once
// The corpus tree as a Qt model: one column over a LibraryTree, with a check box per item.
// An index's internal id is the item index, so every lookup is a vector access; nothing is
// allocated per item (the library may hold a hundred thousand documents).

#include <optional>
#include <string_view>
#include <vector>

#include <QAbstractItemModel>
#include <QIcon>

#include "engine/corpus/library_tree.h"

namespace lantaro {

class CorpusTreeModel : public QAbstractItemModel {
  Q_OBJECT

 public:
  explicit CorpusTreeModel(QObject* parent = nullptr);

  // Replaces the whole tree; every item starts unticked.
  void setTree(LibraryTree tree);
  // Replaces the tree after a change to the library: items that are still there keep their
  // ticks, new ones start unticked.
  void updateTree(LibraryTree tree);
  std::optional<std::size_t> itemAt(std::string_view relative_path) const;
  const LibraryTree& tree() const { return tree_; }

  QModelIndex indexOfItem(std::size_t item) const;
  // The item index of a model index; kNoParent for an invalid one.
  std::size_t itemOf(const QModelIndex& index) const;

  bool isTicked(std::size_t item) const { return item < ticks_.size() && ticks_[item]; }
  // One entry per item of tree(), 1 where ticked.
  const std::vector<unsigned char>& ticks() const { return ticks_; }
  // Ticks or unticks an item and everything below it.
  void setTicked(std::size_t item, bool ticked);
  std::vector<Document> tickedDocuments() const;
  bool anythingTicked() const;

  QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
  QModelIndex parent(const QModelIndex& child) const override;
  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  bool hasChildren(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

 signals:
  // After an item's check box has been set through setData (by the user), with its item index
  // and new state (0 unticked, 1 ticked).
  void checkToggled(int item, int state);

 private:
  LibraryTree tree_;
  std::vector<unsigned char> ticks_;
  QIcon folder_, page_;
};

}  // namespace lantaro
