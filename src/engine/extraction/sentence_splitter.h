#pragma once
// Cutting decoded text into sentences, dialogue items and narrative sentences. Everything works
// on spans (UTF-16 offsets into the text), never on copies, so that a large corpus costs one
// small record per sentence.
//
// The rules, shared by all modes:
// - a line break (CR LF, LF or CR) always ends a sentence;
// - a sentence ends after a run of sentence-end marks; closing marks right after the run stay
//   with it; text at a line end without a mark is a sentence too;
// - sentences are trimmed of " ", U+3000 and tab; empty ones are dropped.

#include <cstddef>
#include <string_view>
#include <vector>

namespace lantaro {

// The seven marks that end a sentence, in the program's order: "；！？。：…—".
inline constexpr std::u16string_view kSentenceEndMarks = u"；！？。：…—";
// Marks that close what a sentence-end run finished and so stay with that sentence.
inline constexpr std::u16string_view kClosingMarks = u"”’」』）)";
inline constexpr char16_t kOpenDoubleQuote = u'“';
inline constexpr char16_t kCloseDoubleQuote = u'”';

enum class ExtractionMode {
  Dialogue,      // "“" to the next "”" on the same line, marks included, not cut
  Narrative,     // the text outside dialogue items, cut into sentences
  AllSentences,  // the whole text cut into sentences, dialogue included
};

struct TextSpan {
  std::size_t start = 0;
  std::size_t length = 0;

  friend bool operator==(const TextSpan&, const TextSpan&) = default;
};

inline constexpr bool is_sentence_end_mark(char16_t c) {
  switch (c) {
    case u'；':
    case u'！':
    case u'？':
    case u'。':
    case u'：':
    case u'…':
    case u'—': return true;
    default: return false;
  }
}

inline constexpr bool is_closing_mark(char16_t c) {
  switch (c) {
    case u'”':
    case u'’':
    case u'」':
    case u'』':
    case u'）':
    case u')': return true;
    default: return false;
  }
}

inline constexpr bool is_line_break(char16_t c) { return c == u'\n' || c == u'\r'; }

// The first line start at or after `pos` (a CR LF pair is never split), or text.size().
std::size_t next_line_start(std::u16string_view text, std::size_t pos);

// Appends the items of `mode` found in text[begin, end) to `out` (offsets into the whole
// text). begin and end must be line starts (or the text's end); then cutting a text into
// consecutive ranges gives the same items as the whole.
void extract_range(std::u16string_view text, std::size_t begin, std::size_t end,
                   ExtractionMode mode, std::vector<TextSpan>& out);

// The items of one whole text as spans (for callers that do not need a result list).
std::vector<TextSpan> extract_spans(std::u16string_view text, ExtractionMode mode);

}  // namespace lantaro
