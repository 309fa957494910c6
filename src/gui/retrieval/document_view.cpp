#include "gui/retrieval/document_view.h"

#include <algorithm>

#include <QEvent>
#include <QPalette>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QTimer>

#include "gui/ui/qt_text.h"
#include "gui/ui/text_box.h"

namespace lantaro {

namespace {
const QColor kHitBackground(0xFF, 0xFF, 0x00);
// Characters marked beyond the first and last visible positions, so that partly visible lines
// and the edges of a wide unwrapped line are covered as well.
constexpr std::size_t kMarkSlack = 512;
// A bound on the marks set at once; a viewport never shows this many characters.
constexpr std::size_t kMaxMarks = 20000;
}  // namespace

LineBreakMap::LineBreakMap(std::u16string_view text, std::vector<std::size_t> display_breaks)
    : breaks_(std::move(display_breaks)) {
  for (std::size_t i = 0; i + 1 < text.size(); ++i)
    if (text[i] == u'\r' && text[i + 1] == u'\n') folded_.push_back(i++);
  break_views_.reserve(breaks_.size());
  for (std::size_t j = 0; j < breaks_.size(); ++j)
    break_views_.push_back(breaks_[j] - foldsBefore(breaks_[j]) + j + 1);
}

std::size_t LineBreakMap::foldsBefore(std::size_t text_offset) const {
  // The LF of a CR LF shares the position of its CR, so the fold counts once the CR is passed.
  return static_cast<std::size_t>(std::lower_bound(folded_.begin(), folded_.end(), text_offset) -
                                  folded_.begin());
}

std::size_t LineBreakMap::toView(std::size_t text_offset) const {
  auto breaks = std::upper_bound(breaks_.begin(), breaks_.end(), text_offset) - breaks_.begin();
  return text_offset - foldsBefore(text_offset) + static_cast<std::size_t>(breaks);
}

std::size_t LineBreakMap::toViewEnd(std::size_t text_offset) const {
  std::size_t view = toView(text_offset);
  return std::binary_search(breaks_.begin(), breaks_.end(), text_offset) ? view - 1 : view;
}

std::size_t LineBreakMap::toText(std::size_t view_position) const {
  // Without the display breaks before it, the position is one of CR LF folding alone.
  view_position -= static_cast<std::size_t>(
      std::upper_bound(break_views_.begin(), break_views_.end(), view_position) -
      break_views_.begin());
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

namespace {

constexpr char16_t kJoiner = 0x200D;

bool splits_pair(std::u16string_view text, std::size_t at) {
  return QChar::isHighSurrogate(text[at - 1]) && QChar::isLowSurrogate(text[at]);
}

// Whether a cut before text[at] leaves every character drawn as it would be in one piece: a
// surrogate pair stays together, and so does a combining mark or a joiner with its neighbours.
bool can_break_before(std::u16string_view text, std::size_t at) {
  const char16_t c = text[at];
  if (QChar::isLowSurrogate(c) || c == kJoiner || text[at - 1] == kJoiner) return false;
  char32_t code = c;
  if (QChar::isHighSurrogate(c) && at + 1 < text.size() && QChar::isLowSurrogate(text[at + 1]))
    code = QChar::surrogateToUcs4(c, text[at + 1]);
  return !QChar::isMark(code);
}

// After these a cut line still reads as whole clauses.
bool is_pause(char16_t c) {
  switch (c) {
    case u'。':
    case u'！':
    case u'？':
    case u'；':
    case u'，':
    case u'、':
    case u'：':
    case u'」':
    case u'』':
    case u'”':
    case u'’':
    case u'）':
    case u'》':
    case u'…':
    case u'.':
    case u'!':
    case u'?':
    case u';':
    case u',':
    case u' ':
    case u'\t':
    case u'\u3000': return true;
    default: return false;
  }
}

// How far back from the even cut a better place is looked for.
constexpr std::size_t kPauseSearch = 256;

// A cut near `nominal` and after `after` (both inside one line), at most `window` characters back:
// after a pause if there is one, else where no character is torn apart; npos if only `after`
// itself would do.
std::size_t display_break_near(std::u16string_view text, std::size_t after, std::size_t nominal,
                               std::size_t window) {
  const std::size_t lowest = std::max(after + 1, nominal > window ? nominal - window : 0);
  for (std::size_t at = nominal; at >= lowest; --at)
    if (is_pause(text[at - 1]) && can_break_before(text, at)) return at;
  for (std::size_t at = nominal; at >= lowest; --at)
    if (can_break_before(text, at)) return at;
  // Only a pair of surrogates is never torn; a run of marks is, to keep the cut near.
  std::size_t at = splits_pair(text, nominal) ? nominal - 1 : nominal;
  return at > after ? at : std::u16string_view::npos;
}

}  // namespace

DisplayText view_text_for_display(std::u16string_view text, std::size_t block_chars,
                                  std::size_t long_line) {
  const std::size_t piece = std::max<std::size_t>(long_line / 4, 1);
  DisplayText out;
  // Each cut line gains fewer display breaks than it has pieces.
  out.text = QString(static_cast<qsizetype>(text.size() + text.size() / piece), Qt::Uninitialized);
  QChar* to = out.text.data();
  auto copy = [&](std::size_t from, std::size_t end) {
    std::copy(text.begin() + static_cast<std::ptrdiff_t>(from),
              text.begin() + static_cast<std::ptrdiff_t>(end), reinterpret_cast<char16_t*>(to));
    to += end - from;
  };
  std::size_t in_block = 0;
  std::size_t i = 0;
  while (true) {
    const std::size_t line = i;
    while (i < text.size() && text[i] != u'\n' && text[i] != u'\r') ++i;
    const std::size_t length = i - line;
    if (length > long_line) {
      // Even pieces, so that the last one is not a stub.
      const std::size_t pieces = (length + piece - 1) / piece;
      const std::size_t window = std::min(kPauseSearch, length / pieces / 2);
      std::size_t from = line;
      for (std::size_t k = 1; k < pieces; ++k) {
        const std::size_t at = display_break_near(text, from, line + length * k / pieces, window);
        if (at == std::u16string_view::npos) continue;
        copy(from, at);
        *to++ = QLatin1Char('\n');
        out.displayBreaks.push_back(at);
        from = at;
      }
      copy(from, i);
      in_block = i - from;
    } else {
      copy(line, i);
      in_block += length;
    }
    if (i == text.size()) break;
    if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
    ++i;
    if (in_block >= block_chars) {
      *to++ = QLatin1Char('\n');
      in_block = 0;
    } else {
      *to++ = QChar(0x2028);  // line separator
      ++in_block;
    }
  }
  out.text.truncate(to - out.text.data());
  return out;
}

QString view_text_in_blocks(std::u16string_view text, std::size_t block_chars) {
  return view_text_for_display(text, block_chars, std::u16string_view::npos).text;
}

namespace {

// Selects text offsets [start, end) in the widget; a display break at either end stays outside.
void select_text(QTextCursor& cursor, const LineBreakMap& map, std::size_t start, std::size_t end) {
  const std::size_t from = map.toView(start);
  cursor.setPosition(static_cast<int>(from));
  cursor.setPosition(static_cast<int>(std::max(from, map.toViewEnd(end))), QTextCursor::KeepAnchor);
}

}  // namespace

DocumentView::DocumentView(QPlainTextEdit* edit, QObject* parent, std::size_t long_line)
    : QObject(parent), edit_(edit), long_line_(long_line) {
  // The hit stepped to must stay visible while the next-hit button holds the focus.
  QPalette palette = edit->palette();
  for (auto role : {QPalette::Highlight, QPalette::HighlightedText})
    palette.setBrush(QPalette::Inactive, role, palette.brush(QPalette::Active, role));
  edit->setPalette(palette);

  connect(edit->verticalScrollBar(), &QScrollBar::valueChanged, this, &DocumentView::scheduleMarks);
  connect(edit->horizontalScrollBar(), &QScrollBar::valueChanged, this,
          &DocumentView::scheduleMarks);
  edit->viewport()->installEventFilter(this);
  viewport_ = edit->viewport();
}

bool DocumentView::eventFilter(QObject* watched, QEvent* event) {
  // Compared by address only: while the edit box is being destroyed its viewport still sends
  // events, and the box must not be touched then.
  if (watched == viewport_ && (event->type() == QEvent::Resize || event->type() == QEvent::Show))
    scheduleMarks();
  return QObject::eventFilter(watched, event);
}

void DocumentView::showDocument(const Document& document, DocumentText text,
                                std::vector<Hit> hits) {
  if (!edit_) return;
  document_ = document;
  text_ = text ? std::move(text) : std::make_shared<const std::u16string>();
  DisplayText shown = view_text_for_display(*text_, kViewBlockChars, long_line_);
  map_ = LineBreakMap(*text_, std::move(shown.displayBreaks));
  hits_ = std::move(hits);
  edit_->setExtraSelections({});
  marked_ = {0, 0};
  marks_valid_ = false;
  edit_->setPlainText(shown.text);
  shown.text.clear();
  for (std::size_t position : map_.displayBreakPositions())
    ui::TextBox::continueLine(edit_->document()->findBlock(static_cast<int>(position)));
  QTextCursor start(edit_->document());
  edit_->setTextCursor(start);
  edit_->verticalScrollBar()->setValue(0);
  scheduleMarks();
}

void DocumentView::setHits(std::vector<Hit> hits) {
  hits_ = std::move(hits);
  marks_valid_ = false;
  scheduleMarks();
}

void DocumentView::scheduleMarks() {
  if (marks_pending_) return;
  marks_pending_ = true;
  QTimer::singleShot(0, this, [this] {
    marks_pending_ = false;
    updateMarks();
  });
}

void DocumentView::updateMarks() {
  if (!edit_ || !text_) return;
  std::pair<std::size_t, std::size_t> range{0, 0};
  if (!hits_.empty()) {
    const QWidget* viewport = edit_->viewport();
    auto top = static_cast<std::size_t>(edit_->cursorForPosition(QPoint(0, 0)).position());
    auto bottom = static_cast<std::size_t>(
        edit_->cursorForPosition(QPoint(viewport->width(), viewport->height())).position());
    std::size_t from = map_.toText(top > kMarkSlack ? top - kMarkSlack : 0);
    std::size_t to = map_.toText(bottom + kMarkSlack);
    auto first = std::partition_point(hits_.begin(), hits_.end(),
                                      [&](const Hit& h) { return h.start + h.length <= from; });
    auto last =
        std::partition_point(first, hits_.end(), [&](const Hit& h) { return h.start < to; });
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
    select_text(cursor, map_, hits_[i].start, hits_[i].start + hits_[i].length);
    marks.append(QTextEdit::ExtraSelection{cursor, format});
  }
  edit_->setExtraSelections(marks);
  marked_ = range;
  marks_valid_ = true;
}

std::optional<Hit> DocumentView::selectNextHit() {
  if (!edit_ || !text_) return std::nullopt;
  std::size_t from = map_.toText(static_cast<std::size_t>(edit_->textCursor().selectionEnd()));
  auto next = std::partition_point(hits_.begin(), hits_.end(),
                                   [&](const Hit& h) { return h.start < from; });
  if (next == hits_.end()) return std::nullopt;
  QTextCursor cursor(edit_->document());
  select_text(cursor, map_, next->start, next->start + next->length);
  edit_->setTextCursor(cursor);
  edit_->ensureCursorVisible();
  return *next;
}

Hit DocumentView::selection() const {
  if (!edit_) return {};
  QTextCursor cursor = edit_->textCursor();
  std::size_t start = map_.toText(static_cast<std::size_t>(cursor.selectionStart()));
  std::size_t end = map_.toText(static_cast<std::size_t>(cursor.selectionEnd()));
  return Hit{start, end - start};
}

}  // namespace lantaro
