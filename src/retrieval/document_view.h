#pragma once
// The full-text view of one document: shows the decoded text, marks the hits of the last search
// and steps from hit to hit. Only the hits on screen are marked (recomputed on scroll and
// resize), so a document of many megabytes with many thousand hits stays interactive.

#include <QObject>
#include <QPointer>
#include <cstddef>
#include <optional>
#include <vector>

#include "corpus/document.h"
#include "retrieval/matcher.h"
#include "retrieval/result_list.h"

class QPlainTextEdit;

namespace lantaro {

// The text widget folds each CR LF into one block break; every other character, lone CR and LF
// included, keeps its place. This maps offsets of the decoded text to the widget's positions and
// back.
class LineBreakMap {
 public:
  LineBreakMap() = default;
  explicit LineBreakMap(std::u16string_view text);

  std::size_t to_view(std::size_t text_offset) const;
  std::size_t to_text(std::size_t view_position) const;

 private:
  std::vector<std::size_t> folded_;  // view positions of the folded CR LF breaks, ascending
};

// The text as the widget is given it: CR LF folded into LF.
QString view_text(std::u16string_view text);

// The same text for the full-text view, whose documents may have a million lines: the text
// document spends far more on each block than on its characters, so lines are gathered into
// blocks of at least `block_chars` characters. Inside a block a line ends with U+2028, which
// breaks the line on screen just like a block break, takes the same one position, and turns
// back into LF in toPlainText() and in copies. Lone CR and LF both end a line.
inline constexpr std::size_t kViewBlockChars = 2048;
QString view_text_in_blocks(std::u16string_view text, std::size_t block_chars = kViewBlockChars);

class DocumentView : public QObject {
  Q_OBJECT

 public:
  explicit DocumentView(QPlainTextEdit* edit, QObject* parent = nullptr);

  // Replaces the view's text; hits are offsets into `text`, in text order, not overlapping.
  void show_document(const Document& document, DocumentText text, std::vector<Hit> hits);
  void set_hits(std::vector<Hit> hits);

  bool has_document() const { return text_ != nullptr; }
  const Document& document() const { return document_; }
  const DocumentText& text() const { return text_; }
  const std::vector<Hit>& hits() const { return hits_; }

  // Selects the first hit that starts at or after the end of the selection (the caret when
  // nothing is selected) and scrolls it into view. Nothing changes when there is none.
  std::optional<Hit> select_next_hit();
  // The current selection in text offsets.
  Hit selection() const;

  // The hits drawn marked right now (those in or next to the visible lines).
  std::size_t marked_count() const { return marked_.second - marked_.first; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void schedule_marks();
  void update_marks();

  QPointer<QPlainTextEdit> edit_;
  const QObject* viewport_ = nullptr;
  Document document_;
  DocumentText text_;
  LineBreakMap map_;
  std::vector<Hit> hits_;
  std::pair<std::size_t, std::size_t> marked_{0, 0};  // index range into hits_
  bool marks_pending_ = false;
  bool marks_valid_ = false;
};

}  // namespace lantaro
