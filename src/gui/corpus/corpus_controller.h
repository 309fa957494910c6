#pragma once
// The corpus tree of the main window: builds it from the corpus folder, keeps the ticks, turns
// the tree's mouse and keyboard input into its three events, and opens the add-corpus window.

#include <vector>

#include <QObject>
#include <QPointer>
#include <QRect>

#include "engine/common/run_directory.h"
#include "engine/corpus/document.h"
#include "engine/corpus/library_tree.h"
#include "gui/ui/designed_window.h"

class QModelIndex;
class QTreeView;

namespace lantaro {

class CorpusTreeModel;

class CorpusController : public QObject {
  Q_OBJECT

 public:
  // Builds the tree at once: the placeholder items of the designed tree are gone from here on.
  CorpusController(ui::DesignedWindow* main, const RunDirectory& run);

  std::vector<Document> tickedDocuments() const;  // tree order
  // The tree shown and its ticks (one entry per item), for the session's checks.
  const LibraryTree& tree() const;
  const std::vector<unsigned char>& ticks() const;
  bool anythingTicked() const;  // any item, directory or document
  void rebuild();
  // After an import or a new directory: the tree shows the change and keeps the user's ticks,
  // open branches and current item.
  void refreshKeepingTicks();

  CorpusTreeModel* model() const { return model_; }
  QTreeView* view() const { return view_; }
  const RunDirectory& runDirectory() const { return run_; }
  // The add-corpus window while it is open.
  ui::DesignedWindow* addCorpusWindow() const { return add_window_; }
  void openAddCorpusWindow();

 signals:
  // Double-click on a document. When nothing is connected, the document is shown read-only on
  // the second page of the result tabs.
  void documentActivated(const lantaro::Document& document);
  // The tree's events. Causes: 0 keyboard, 1 mouse, 2 anything else (the program, the tree
  // itself, a check box toggle, a right click). States: 0 unticked, 1 ticked.
  void selectionChangedWithCause(int index, int cause);
  void doubleClicked();
  void checkChanged(int index, int state);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void onCurrentChanged(const QModelIndex& current);
  void onCheckToggled(int item, int state);
  void toggle(const QModelIndex& index);
  void setCause(int cause);

  ui::DesignedWindow* main_;
  RunDirectory run_;
  QTreeView* view_ = nullptr;
  // Compared by address only: events still arrive while the view is being destroyed.
  const QObject* viewport_ = nullptr;
  CorpusTreeModel* model_ = nullptr;
  QPointer<ui::DesignedWindow> add_window_;
  int cause_ = 2;
  bool reset_pending_ = false;
  std::size_t pressed_on_box_ = static_cast<std::size_t>(-1);
};

// Where the check box of an item is drawn in the view's viewport.
QRect corpus_check_box_rect(const QTreeView* view, const QModelIndex& index);

}  // namespace lantaro
