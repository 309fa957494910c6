#include "engine/extraction/sentence_splitter.h"

namespace lantaro {

namespace {

constexpr bool is_blank(char16_t c) { return c == u' ' || c == u'\u3000' || c == u'\t'; }

// Characters that can never matter to the cutting rules: the bulk of Chinese text (CJK
// ideographs up to the Hangul and compatibility blocks). None of the marks, quotes or blanks
// lies in this range, so the scan skips them with one comparison.
constexpr bool is_plain_ideograph_range(char16_t c) { return c >= 0x4E00 && c < 0xFF00; }

// Collects the items as spans; trimming happens here so the scanners only find boundaries.
class Sink {
 public:
  Sink(const char16_t* text, std::vector<TextSpan>& out) : text_(text), out_(out) {}

  // Not called "emit": Qt defines that word as a macro, and Qt-aware tools misread it.
  void add(std::size_t begin, std::size_t end) {
    while (begin < end && is_blank(text_[begin])) ++begin;
    while (end > begin && is_blank(text_[end - 1])) --end;
    if (begin == end) return;
    out_.push_back(TextSpan{begin, end - begin});
  }

 private:
  const char16_t* text_;
  std::vector<TextSpan>& out_;
};

// Cuts text[begin, end) into sentences; line breaks inside the range end sentences.
void split_sentences(const char16_t* t, std::size_t begin, std::size_t end, Sink& sink) {
  std::size_t sentence = begin;
  std::size_t i = begin;
  while (i < end) {
    const char16_t c = t[i];
    if (is_plain_ideograph_range(c)) {
      ++i;
      continue;
    }
    if (is_line_break(c)) {
      sink.add(sentence, i);
      sentence = ++i;
      continue;
    }
    if (is_sentence_end_mark(c)) {
      ++i;
      while (i < end && is_sentence_end_mark(t[i])) ++i;
      while (i < end && is_closing_mark(t[i])) ++i;
      sink.add(sentence, i);
      sentence = i;
      continue;
    }
    ++i;
  }
  sink.add(sentence, end);
}

// The end of the dialogue item that opens at `open`: just past its "”", or the line's end when
// the line has none.
struct DialogueEnd {
  std::size_t end;
  bool closed;
};

DialogueEnd dialogue_end(const char16_t* t, std::size_t open, std::size_t end) {
  std::size_t j = open + 1;
  while (j < end && t[j] != kCloseDoubleQuote && !is_line_break(t[j])) ++j;
  if (j < end && t[j] == kCloseDoubleQuote) return {j + 1, true};
  return {j, false};
}

void extract_dialogue(const char16_t* t, std::size_t begin, std::size_t end, Sink& sink) {
  std::size_t i = begin;
  while (i < end) {
    if (t[i] != kOpenDoubleQuote) {
      ++i;
      continue;
    }
    const DialogueEnd d = dialogue_end(t, i, end);
    sink.add(i, d.end);  // an unclosed item loses trailing blanks like any sentence
    i = d.end;
  }
}

void extract_narrative(const char16_t* t, std::size_t begin, std::size_t end, Sink& sink) {
  std::size_t piece = begin;
  std::size_t i = begin;
  while (i < end) {
    if (t[i] != kOpenDoubleQuote) {
      ++i;
      continue;
    }
    // The dialogue item is a boundary: the narrative before it is cut on its own.
    split_sentences(t, piece, i, sink);
    i = dialogue_end(t, i, end).end;
    piece = i;
  }
  split_sentences(t, piece, end, sink);
}

}  // namespace

std::size_t next_line_start(std::u16string_view text, std::size_t pos) {
  if (pos == 0) return 0;
  if (pos >= text.size()) return text.size();
  // pos is already a line start when a break precedes it, unless it sits inside a CR LF pair.
  if (text[pos - 1] == u'\n' || (text[pos - 1] == u'\r' && text[pos] != u'\n')) return pos;
  while (pos < text.size() && !is_line_break(text[pos])) ++pos;
  if (pos == text.size()) return pos;
  if (text[pos] == u'\r' && pos + 1 < text.size() && text[pos + 1] == u'\n') return pos + 2;
  return pos + 1;
}

void extract_range(std::u16string_view text, std::size_t begin, std::size_t end,
                   ExtractionMode mode, std::vector<TextSpan>& out) {
  if (end > text.size()) end = text.size();
  if (begin >= end) return;
  Sink sink(text.data(), out);
  switch (mode) {
    case ExtractionMode::Dialogue: extract_dialogue(text.data(), begin, end, sink); break;
    case ExtractionMode::Narrative: extract_narrative(text.data(), begin, end, sink); break;
    case ExtractionMode::AllSentences: split_sentences(text.data(), begin, end, sink); break;
  }
}

std::vector<TextSpan> extract_spans(std::u16string_view text, ExtractionMode mode) {
  std::vector<TextSpan> spans;
  extract_range(text, 0, text.size(), mode, spans);
  return spans;
}

}  // namespace lantaro
