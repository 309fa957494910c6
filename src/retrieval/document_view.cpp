#include "retrieval/document_view.h"

#include <QEvent>
#include <QPalette>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QTimer>
#include <algorithm>

#include "retrieval/qt_text.h"

namespace lantaro {

namespace {
const QColor kHitBackground(0xFF, 0xFF, 0x00);
// Characters marked beyond the first and last visible positions, so that partly visible lines
// and the edges of a wide unwrapped line are covered as well.
constexpr std::size_t kMarkSlack = 512;
// A bound on the marks set at once; a viewport never shows this many characters.
constexpr std::size_t kMaxMarks = 20000;
}  // namespace

LineBreakMap::LineBreakMap(std::u16string_view text) {
  for (std::size_t i = 0; i + 1 < text.size(); ++i)
    if (text[i] == u'\r' && text[i + 1] == u'\n') folded_.push_back(i++);
}

std::size_t LineBreakMap::to_view(std::size_t text_offset) const {
  auto before = std::lower_bound(folded_.begin(), folded_.end(), text_offset);
  return text_offset - static_cast<std::size_t>(before - folded_.begin());
}

std::size_t LineBreakMap::to_text(std::size_t view_position) const {
  // The k-th folded break (text offset r_k) sits at view position r_k - k; count those before.
  std::size_t lo = 0, hi = folded_.size();
  while (lo < hi) {
    std::size_t mid = (lo + hi) / 2;
    if (folded_[mid] - mid < view_position)
      lo = mid + 1;
    else
      hi = mid;
  }
  return view_position + lo;
}

QString view_text(std::u16string_view text) {
  QString out;
  out.reserve(static_cast<qsizetype>(text.size()));
  std::size_t run = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') {
      out += to_qstring(text.substr(run, i - run));
      run = i + 1;  // keep the LF, drop the CR
      ++i;
    }
  }
  out += to_qstring(text.substr(run));
  return out;
}

QString view_text_in_blocks(std::u16string_view text, std::size_t block_chars) {
  QString out(static_cast<qsizetype>(text.size()), Qt::Uninitialized);
  QChar* to = out.data();
  std::size_t in_block = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char16_t c = text[i];
    if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') c = text[++i];
    if (c == u'\n' || c == u'\r') {
      if (in_block >= block_chars) {
        *to++ = QLatin1Char('\n');
        in_block = 0;
        continue;
      }
      c = u'\u2028';  // line separator
    }
    *to++ = QChar(c);
    ++in_block;
  }
  out.truncate(to - out.data());
  return out;
}

DocumentView::DocumentView(QPlainTextEdit* edit, QObject* parent) : QObject(parent), edit_(edit) {
  // The hit stepped to must stay visible while the next-hit button holds the focus.
  QPalette palette = edit->palette();
  for (auto role : {QPalette::Highlight, QPalette::HighlightedText})
    palette.setBrush(QPalette::Inactive, role, palette.brush(QPalette::Active, role));
  edit->setPalette(palette);

  connect(edit->verticalScrollBar(), &QScrollBar::valueChanged, this, &DocumentView::schedule_marks);
  connect(edit->horizontalScrollBar(), &QScrollBar::valueChanged, this,
          &DocumentView::schedule_marks);
  edit->viewport()->installEventFilter(this);
  viewport_ = edit->viewport();
}

bool DocumentView::eventFilter(QObject* watched, QEvent* event) {
  // Compared by address only: while the edit box is being destroyed its viewport still sends
  // events, and the box must not be touched then.
  if (watched == viewport_ && (event->type() == QEvent::Resize || event->type() == QEvent::Show))
    schedule_marks();
  return QObject::eventFilter(watched, event);
}

void DocumentView::show_document(const Document& document, DocumentText text,
                                 std::vector<Hit> hits) {
  if (!edit_) return;
  document_ = document;
  text_ = text ? std::move(text) : std::make_shared<const std::u16string>();
  map_ = LineBreakMap(*text_);
  hits_ = std::move(hits);
  edit_->setExtraSelections({});
  marked_ = {0, 0};
  marks_valid_ = false;
  edit_->setPlainText(view_text_in_blocks(*text_));
  QTextCursor start(edit_->document());
  edit_->setTextCursor(start);
  edit_->verticalScrollBar()->setValue(0);
  schedule_marks();
}

void DocumentView::set_hits(std::vector<Hit> hits) {
  hits_ = std::move(hits);
  marks_valid_ = false;
  schedule_marks();
}

void DocumentView::schedule_marks() {
  if (marks_pending_) return;
  marks_pending_ = true;
  QTimer::singleShot(0, this, [this] {
    marks_pending_ = false;
    update_marks();
  });
}

void DocumentView::update_marks() {
  if (!edit_ || !text_) return;
  std::pair<std::size_t, std::size_t> range{0, 0};
  if (!hits_.empty()) {
    const QWidget* viewport = edit_->viewport();
    auto top = static_cast<std::size_t>(edit_->cursorForPosition(QPoint(0, 0)).position());
    auto bottom = static_cast<std::size_t>(
        edit_->cursorForPosition(QPoint(viewport->width(), viewport->height())).position());
    std::size_t from = map_.to_text(top > kMarkSlack ? top - kMarkSlack : 0);
    std::size_t to = map_.to_text(bottom + kMarkSlack);
    auto first = std::partition_point(hits_.begin(), hits_.end(),
                                      [&](const Hit& h) { return h.start + h.length <= from; });
    auto last = std::partition_point(first, hits_.end(), [&](const Hit& h) { return h.start < to; });
    range = {static_cast<std::size_t>(first - hits_.begin()),
             static_cast<std::size_t>(last - hits_.begin())};
    range.second = std::min(range.second, range.first + kMaxMarks);
  }
  // Setting the marks repaints the view; skipping equal ranges keeps that from feeding back.
  if (marks_valid_ && range == marked_) return;
  QList<QTextEdit::ExtraSelection> marks;
  marks.reserve(static_cast<qsizetype>(range.second - range.first));
  QTextCharFormat format;
  format.setBackground(kHitBackground);
  for (std::size_t i = range.first; i < range.second; ++i) {
    QTextCursor cursor(edit_->document());
    cursor.setPosition(static_cast<int>(map_.to_view(hits_[i].start)));
    cursor.setPosition(static_cast<int>(map_.to_view(hits_[i].start + hits_[i].length)),
                       QTextCursor::KeepAnchor);
    marks.append(QTextEdit::ExtraSelection{cursor, format});
  }
  edit_->setExtraSelections(marks);
  marked_ = range;
  marks_valid_ = true;
}

std::optional<Hit> DocumentView::select_next_hit() {
  if (!edit_ || !text_) return std::nullopt;
  std::size_t from = map_.to_text(static_cast<std::size_t>(edit_->textCursor().selectionEnd()));
  auto next = std::partition_point(hits_.begin(), hits_.end(),
                                   [&](const Hit& h) { return h.start < from; });
  if (next == hits_.end()) return std::nullopt;
  QTextCursor cursor(edit_->document());
  cursor.setPosition(static_cast<int>(map_.to_view(next->start)));
  cursor.setPosition(static_cast<int>(map_.to_view(next->start + next->length)),
                     QTextCursor::KeepAnchor);
  edit_->setTextCursor(cursor);
  edit_->ensureCursorVisible();
  return *next;
}

Hit DocumentView::selection() const {
  if (!edit_) return {};
  QTextCursor cursor = edit_->textCursor();
  std::size_t start = map_.to_text(static_cast<std::size_t>(cursor.selectionStart()));
  std::size_t end = map_.to_text(static_cast<std::size_t>(cursor.selectionEnd()));
  return Hit{start, end - start};
}

}  // namespace lantaro
