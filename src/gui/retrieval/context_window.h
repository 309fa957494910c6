#pragma once
// The context window: a passage of a document around one result item, in a window of its own.
// Each opening builds a new window, so several passages can be compared side by side.

#include <cstddef>

#include <QObject>

#include "engine/retrieval/context_passage.h"
#include "engine/retrieval/result_list.h"

class QWidget;

namespace lantaro {
namespace ui {
class DesignedWindow;
}

// Keeps a control at a fixed margin from every edge of its parent, whatever else tries to place
// it (the window's own anchors included).
class MarginKeeper : public QObject {
  Q_OBJECT

 public:
  MarginKeeper(QWidget* control, int margin);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void apply();

  QWidget* control_;
  int margin_;
};

inline constexpr int kContextBoxMargin = 16;

// Builds and opens a context window showing `passage` (of the document item `index` of `list`
// points into, as Session::context_of gives it), with the item's hit selected and scrolled into
// view. The window deletes itself when closed.
ui::DesignedWindow* open_context_window(const ResultList& list, std::size_t index,
                                        const Passage& passage, QWidget* parent = nullptr);

}  // namespace lantaro
