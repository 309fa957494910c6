#pragma once
// The full-text view of one document: shows the decoded text, marks the hits of the last search
// and steps from hit to hit. Only the hits on screen are marked (recomputed on scroll and
// resize), so a document of many megabytes with many thousand hits stays interactive.

#include <cstddef>
#include <optional>
#include <string_view>
#include <vector>

#include <QObject>
#include <QPointer>
#include <QString>

#include "engine/corpus/document.h"
#include "engine/retrieval/matcher.h"
#include "engine/retrieval/result_list.h"

class QPlainTextEdit;

namespace lantaro {

// The text widget folds each CR LF into one block break; every other character, lone CR and LF
// included, keeps its place. The full-text view also cuts very long lines into several blocks
// (see view_text_for_display); each such display break takes one widget position of its own that
// stands for no character. This maps offsets of the decoded text to the widget's positions and
// back.
class LineBreakMap {
 public:
  LineBreakMap() = default;
  // `display_breaks`: ascending text offsets before which the widget has a display break.
  explicit LineBreakMap(std::u16string_view text, std::vector<std::size_t> display_breaks = {});

  // The position of the character at `text_offset`: after a display break standing before it.
  std::size_t toView(std::size_t text_offset) const;
  // The position where a stretch ending at `text_offset` ends: before a display break there, so
  // that a selection or mark never takes in the break.
  std::size_t toViewEnd(std::size_t text_offset) const;
  // Both sides of a display break give the offset of the character after it.
  std::size_t toText(std::size_t view_position) const;

  const std::vector<std::size_t>& displayBreaks() const { return breaks_; }
  // Widget positions of the characters that start after a display break, ascending.
  const std::vector<std::size_t>& displayBreakPositions() const { return break_views_; }

 private:
  std::size_t foldsBefore(std::size_t text_offset) const;

  std::vector<std::size_t> folded_;       // text offsets of the CR of each CR LF, ascending
  std::vector<std::size_t> breaks_;       // text offsets of the display breaks
  std::vector<std::size_t> break_views_;  // toView() of each display break's offset
};

// The text as the widget is given it: CR LF folded into LF.
QString view_text(std::u16string_view text);

// The same text for the full-text view, whose documents may have a million lines: the text
// document spends far more on each block than on its characters, so lines are gathered into
// blocks of at least `block_chars` characters. Inside a block a line ends with U+2028, which
// breaks the line on screen just like a block break, takes the same one position, and turns
// back into LF in toPlainText() and in copies. Lone CR and LF both end a line.
//
// A block is laid out as a whole, so one line of many megabytes would take seconds to show and
// to scroll through. A line longer than `long_line` characters is therefore cut into blocks of
// about a quarter of that, preferably after a punctuation mark, never inside a surrogate pair,
// and before a combining mark or next to a joiner only in a long run of them. These display
// breaks are for the screen only: ui::TextBox leaves them out of copies and LineBreakMap counts
// them, but the widget's toPlainText() has an LF for each (DocumentView::text() is the text).
inline constexpr std::size_t kViewBlockChars = 2048;
inline constexpr std::size_t kLongLineChars = 32768;
struct DisplayText {
  QString text;
  std::vector<std::size_t> displayBreaks;  // ascending text offsets, see LineBreakMap
};
DisplayText view_text_for_display(std::u16string_view text,
                                  std::size_t block_chars = kViewBlockChars,
                                  std::size_t long_line = kLongLineChars);
// Lines gathered into blocks, none cut.
QString view_text_in_blocks(std::u16string_view text, std::size_t block_chars = kViewBlockChars);

class DocumentView : public QObject {
  Q_OBJECT

 public:
  // Lines longer than `long_line` characters are cut for display (see view_text_for_display);
  // in a ui::TextBox, copies still give them whole.
  explicit DocumentView(QPlainTextEdit* edit, QObject* parent = nullptr,
                        std::size_t long_line = kLongLineChars);

  // Replaces the view's text; hits are offsets into `text`, in text order, not overlapping.
  void showDocument(const Document& document, DocumentText text, std::vector<Hit> hits);
  void setHits(std::vector<Hit> hits);

  bool hasDocument() const { return text_ != nullptr; }
  const Document& document() const { return document_; }
  const DocumentText& text() const { return text_; }
  const std::vector<Hit>& hits() const { return hits_; }
  // Text offsets against the widget's positions for the document shown.
  const LineBreakMap& map() const { return map_; }

  // Selects the first hit that starts at or after the end of the selection (the caret when
  // nothing is selected) and scrolls it into view. Nothing changes when there is none.
  std::optional<Hit> selectNextHit();
  // The current selection in text offsets.
  Hit selection() const;

  // The hits drawn marked right now (those in or next to the visible lines).
  std::size_t markedCount() const { return marked_.second - marked_.first; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void scheduleMarks();
  void updateMarks();

  QPointer<QPlainTextEdit> edit_;
  std::size_t long_line_;
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
