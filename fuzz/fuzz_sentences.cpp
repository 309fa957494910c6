// Sentence extraction on arbitrary text. Input: a flags byte, a chunk-size byte, then the text.
// Flags bit 0 picks how the text is made: decoded as a document (GBK or UTF-8), or one
// character per byte from a small alphabet of everything the cutting rules care about (marks,
// closing marks, quotes, blanks, line breaks, surrogate pairs). A NUL byte (or its alphabet
// letter) starts the next document. Bits 1-2 pick 2 to 4 worker threads.
//
// Checked for each mode: items lie in the text, in order, apart, on one line, trimmed and
// non-empty; dialogue items are exactly the quote stretches; narrative and all-sentence items
// are cut exactly where a run of end marks and its closing marks ends, cover every non-blank
// character they should, and nothing else; the chunked single-threaded run and the run on
// worker threads give the items of the whole texts, in the same order.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/common/codepage.h"
#include "engine/corpus/document.h"
#include "engine/extraction/extractor.h"
#include "engine/extraction/sentence_splitter.h"
#include "fuzz_check.h"

namespace {

using lantaro::ExtractionMode;
using lantaro::TextSpan;

bool is_blank(char16_t c) { return c == u' ' || c == u'\u3000' || c == u'\t'; }

// 'Z' separates documents.
constexpr std::u16string_view kAlphabet[] = {
    u"；", u"！", u"？", u"。", u"：", u"…",      u"—",      u"”",  u"’",  u"」",
    u"』", u"）", u")",  u"“",  u" ",  u"\u3000", u"\t",     u"\r", u"\n", u"\r\n",
    u"子", u"曰", u"a",  u"，", u"𠀀", u"\xD800", u"\xDC00", u"「", u"Z"};

// The quoted stretches [begin, end): from each "“" to the next "”" on its line, or to the line's
// end.
std::vector<std::pair<std::size_t, std::size_t>> quoted_stretches(std::u16string_view t) {
  std::vector<std::pair<std::size_t, std::size_t>> out;
  for (std::size_t i = 0; i < t.size();) {
    if (t[i] != u'“') {
      ++i;
      continue;
    }
    std::size_t j = i + 1;
    while (j < t.size() && t[j] != u'”' && !lantaro::is_line_break(t[j])) ++j;
    if (j < t.size() && t[j] == u'”') ++j;
    out.emplace_back(i, j);
    i = j;
  }
  return out;
}

// What a dialogue item is: a quoted stretch without the blanks at its end.
std::vector<TextSpan> reference_dialogue(std::u16string_view t) {
  std::vector<TextSpan> out;
  for (auto [begin, end] : quoted_stretches(t)) {
    while (end > begin && is_blank(t[end - 1])) --end;
    out.push_back({begin, end - begin});
  }
  return out;
}

void check_spans(std::u16string_view t, const std::vector<TextSpan>& spans, ExtractionMode mode) {
  std::size_t previous_end = 0;
  for (const TextSpan& s : spans) {
    FUZZ_CHECK(s.length > 0 && s.start >= previous_end);
    FUZZ_CHECK(s.start <= t.size() && s.length <= t.size() - s.start);
    previous_end = s.start + s.length;
    const std::u16string_view item = t.substr(s.start, s.length);
    FUZZ_CHECK(!is_blank(item.front()) && !is_blank(item.back()));
    for (char16_t c : item) FUZZ_CHECK(!lantaro::is_line_break(c));
  }
  if (mode == ExtractionMode::Dialogue) {
    FUZZ_CHECK(spans == reference_dialogue(t));
    return;
  }

  // Which characters lie inside a dialogue item (narrative leaves them out).
  std::vector<bool> dialogue(t.size(), false);
  if (mode == ExtractionMode::Narrative)
    for (const auto& [begin, end] : quoted_stretches(t))
      for (std::size_t k = begin; k < end; ++k) dialogue[k] = true;

  // Every character outside dialogue that is neither blank nor a line break is in exactly one
  // item, and no item touches dialogue.
  std::vector<bool> covered(t.size(), false);
  for (const TextSpan& s : spans)
    for (std::size_t k = s.start; k < s.start + s.length; ++k) {
      FUZZ_CHECK(!dialogue[k]);
      covered[k] = true;
    }
  for (std::size_t k = 0; k < t.size(); ++k) {
    if (!dialogue[k] && !is_blank(t[k]) && !lantaro::is_line_break(t[k])) FUZZ_CHECK(covered[k]);
  }

  for (const TextSpan& s : spans) {
    const std::u16string_view item = t.substr(s.start, s.length);
    // Inside an item an end mark is followed only by more marks, then closing marks.
    std::size_t i = 0;
    while (i < item.size() && !lantaro::is_sentence_end_mark(item[i])) ++i;
    const bool marked = i < item.size();
    while (i < item.size() && lantaro::is_sentence_end_mark(item[i])) ++i;
    while (i < item.size() && lantaro::is_closing_mark(item[i])) ++i;
    FUZZ_CHECK(i == item.size());
    const std::size_t end = s.start + s.length;
    if (marked) {
      // The run and its closing marks were taken whole (a mark after the closing marks starts
      // the next sentence).
      if (end < t.size()) {
        FUZZ_CHECK(!lantaro::is_closing_mark(t[end]));
        if (lantaro::is_sentence_end_mark(item.back()))
          FUZZ_CHECK(!lantaro::is_sentence_end_mark(t[end]));
      }
    } else {
      // No mark: only the line's end (or a dialogue item) ends it.
      std::size_t k = end;
      while (k < t.size() && is_blank(t[k])) ++k;
      FUZZ_CHECK(k == t.size() || lantaro::is_line_break(t[k]) || dialogue[k]);
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const std::uint8_t flags = data[0];
  const std::size_t chunk_chars = data[1];  // 0: the extractor's own choice
  data += 2;
  size -= 2;

  std::vector<std::u16string> parts(1);
  if (flags & 1) {
    for (std::size_t i = 0; i < size; ++i) {
      const std::u16string_view c = kAlphabet[data[i] % std::size(kAlphabet)];
      if (c == u"Z")
        parts.emplace_back();
      else
        parts.back() += c;
    }
  } else {
    std::string_view rest(reinterpret_cast<const char*>(data), size);
    parts.clear();
    for (;;) {
      const std::size_t cut = rest.find('\0');
      parts.push_back(lantaro::decode_document(rest.substr(0, cut)));
      if (cut == std::string_view::npos) break;
      rest.remove_prefix(cut + 1);
    }
  }

  std::vector<lantaro::Document> documents;
  std::vector<lantaro::DocumentText> texts;
  for (std::size_t d = 0; d < parts.size(); ++d) {
    documents.push_back(lantaro::Document{"d" + std::to_string(d) + ".txt", "d.txt", u"文"});
    texts.push_back(std::make_shared<const std::u16string>(parts[d]));
  }
  // A document without text counts as empty.
  if (flags & 8) texts.pop_back();

  for (ExtractionMode mode :
       {ExtractionMode::Dialogue, ExtractionMode::Narrative, ExtractionMode::AllSentences}) {
    std::vector<lantaro::ResultItem> expected;
    for (std::size_t d = 0; d < documents.size(); ++d) {
      const std::u16string_view text = d < texts.size() ? std::u16string_view(*texts[d]) : u"";
      const std::vector<TextSpan> spans = lantaro::extract_spans(text, mode);
      check_spans(text, spans, mode);
      for (const TextSpan& s : spans)
        expected.push_back({static_cast<std::uint32_t>(d), s.start, s.length, s.start, s.length});
    }

    lantaro::ExtractionOptions options;
    options.chunk_chars = chunk_chars;
    options.threads = 1;
    const lantaro::ExtractionResult single =
        lantaro::extract_sentences(documents, texts, mode, options);
    options.threads = 2 + ((flags >> 1) & 3) % 3;
    const lantaro::ExtractionResult multi =
        lantaro::extract_sentences(documents, texts, mode, options);
    FUZZ_CHECK(single.list.items == expected);
    FUZZ_CHECK(multi.list.items == expected);
    FUZZ_CHECK(multi.threads_used == options.threads);
    FUZZ_CHECK(single.report == lantaro::extraction_report(mode, expected.size()));
    FUZZ_CHECK(multi.report == single.report);
    FUZZ_CHECK(multi.list.documents == documents && multi.list.texts.size() == documents.size());
    FUZZ_CHECK(multi.list.kind == lantaro::ResultKind::Sentences);
  }
  return 0;
}
