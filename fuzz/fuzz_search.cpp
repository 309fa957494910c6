// A search on arbitrary text with arbitrary box texts. The input is NUL-separated fields:
//   document bytes \0 keyword text \0 mode \0 N \0 left \0 right
// (missing fields keep the search bar's defaults). The mode field "w" / "e" picks a mode by
// name; anything else is decoded and given to the mode box as it is.
//
// Checked: the form parser splits and refuses as the keyword and count rules say; every hit is
// in the text, in order, apart from the others, on one line, and has the keywords where the mode
// puts them; on small texts the hits equal those of a plain position-by-position scan; result
// windows and context passages stay in range and never cut a surrogate pair; the whole search
// over a real file, which finds the keywords in the bytes and decodes only the lines holding them,
// gives exactly the hits, windows and item texts of the plain matcher over the decoded text, for
// the input as it is and for the same text written as GB18030 and as UTF-8 with malformed bytes put
// in, with the given keyword and with one taken from the text.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "engine/common/codepage.h"
#include "engine/common/text.h"
#include "engine/retrieval/byte_search.h"
#include "engine/retrieval/context_passage.h"
#include "engine/retrieval/document_store.h"
#include "engine/retrieval/matcher.h"
#include "engine/retrieval/result_list.h"
#include "engine/retrieval/search_request.h"
#include "engine/retrieval/searcher.h"
#include "fuzz_check.h"

namespace {

using lantaro::Hit;
using lantaro::SearchRequest;

bool is_break(char16_t c) { return c == u'\n' || c == u'\r'; }
bool is_high(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool is_low(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }
bool is_space(char16_t c) { return c == u' ' || c == u'\u3000'; }
bool splits_pair(std::u16string_view text, std::size_t pos) {
  return pos > 0 && pos < text.size() && is_high(text[pos - 1]) && is_low(text[pos]);
}

// The keyword box is text, so its bytes are read the way the document's are.
bool reads_as_utf8(std::string_view bytes) {
  if (bytes.substr(0, 3) == "\xEF\xBB\xBF") return true;
  bool non_ascii = false;
  for (char c : bytes) non_ascii |= static_cast<unsigned char>(c) >= 0x80;
  return non_ascii && lantaro::is_valid_utf8(bytes);
}

// A count box: blanks around digits only, at most 100000 (leading zeros do no harm).
std::optional<std::size_t> reference_count(std::u16string_view text) {
  auto blank = [](char16_t c) { return is_space(c) || c == u'\t'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  while (text.size() > 1 && text.front() == u'0') text.remove_prefix(1);
  if (text.empty() || text.size() > 6) return std::nullopt;
  std::size_t value = 0;
  for (char16_t c : text) {
    if (c < u'0' || c > u'9') return std::nullopt;
    value = value * 10 + (c - u'0');
  }
  if (value > lantaro::kMaxCount) return std::nullopt;
  return value;
}

// The matching rules written out position by position, for comparison on small texts.
std::vector<Hit> reference_hits(std::u16string_view text, const SearchRequest& r) {
  std::vector<Hit> hits;
  const std::u16string_view k1 = r.first_keyword, k2 = r.second_keyword;
  std::size_t p = 0;
  while (p < text.size()) {
    std::size_t line_end = p;
    while (line_end < text.size() && !is_break(text[line_end])) ++line_end;
    std::size_t end = 0;
    if (p + k1.size() <= line_end && text.substr(p, k1.size()) == k1) {
      const std::size_t after = p + k1.size();
      if (k2.empty()) {
        end = after;
      } else if (r.mode == lantaro::CombinationMode::ExactGap) {
        const std::size_t q = after + r.n;
        if (q + k2.size() <= line_end && text.substr(q, k2.size()) == k2) end = q + k2.size();
      } else {
        for (std::size_t q = after; q + k2.size() <= after + r.n && q + k2.size() <= line_end;
             ++q) {
          if (text.substr(q, k2.size()) == k2) {
            end = q + k2.size();
            break;
          }
        }
      }
    }
    if (end != 0) {
      hits.push_back({p, end - p});
      p = end;
    } else {
      ++p;
    }
  }
  return hits;
}

void check_form(const lantaro::SearchForm& form, const lantaro::ParsedSearchForm& parsed) {
  std::u16string_view keywords = lantaro::trim_spaces(form.keyword_text);
  if (keywords.empty()) {
    FUZZ_CHECK(!parsed.request && parsed.refusal == lantaro::Message::EnterKeyword);
    return;
  }
  std::size_t first_end = 0;
  while (first_end < keywords.size() && !is_space(keywords[first_end])) ++first_end;
  const bool two = first_end < keywords.size();
  const auto n = two ? reference_count(form.n_text) : std::optional<std::size_t>(0);
  const auto left = reference_count(form.left_text);
  const auto right = reference_count(form.right_text);
  if (!n || !left || !right) {
    FUZZ_CHECK(!parsed.request && parsed.refusal == lantaro::Message::CountOutOfRange);
    return;
  }
  FUZZ_CHECK(parsed.request.has_value());
  const SearchRequest& r = *parsed.request;
  FUZZ_CHECK(r.first_keyword == keywords.substr(0, first_end));
  FUZZ_CHECK(r.two_keywords() == two);
  if (two) {
    // The second keyword is what follows the first run of spaces, trimmed.
    FUZZ_CHECK(r.second_keyword == lantaro::trim_spaces(keywords.substr(first_end)));
    FUZZ_CHECK(keywords.ends_with(r.second_keyword));
  }
  FUZZ_CHECK(r.n == *n && r.left == *left && r.right == *right);
}

void check_hits(std::u16string_view text, const SearchRequest& r, const std::vector<Hit>& hits) {
  const std::u16string_view k1 = r.first_keyword, k2 = r.second_keyword;
  std::size_t previous_end = 0;
  for (const Hit& h : hits) {
    FUZZ_CHECK(h.start >= previous_end);
    FUZZ_CHECK(h.length > 0 && h.start <= text.size() && h.length <= text.size() - h.start);
    previous_end = h.start + h.length;
    const std::u16string_view hit = text.substr(h.start, h.length);
    for (char16_t c : hit) FUZZ_CHECK(!is_break(c));
    FUZZ_CHECK(hit.starts_with(k1));
    if (!r.two_keywords()) {
      FUZZ_CHECK(hit == k1);
      continue;
    }
    FUZZ_CHECK(hit.ends_with(k2));
    FUZZ_CHECK(h.length >= k1.size() + k2.size());
    if (r.mode == lantaro::CombinationMode::ExactGap) {
      FUZZ_CHECK(h.length == k1.size() + r.n + k2.size());
    } else {
      FUZZ_CHECK(h.length <= k1.size() + r.n);
      // The nearest second keyword is the one taken.
      const std::size_t q = h.length - k2.size();
      FUZZ_CHECK(hit.substr(k1.size(), q - k1.size() + k2.size() - 1).find(k2) ==
                 std::u16string_view::npos);
    }
  }
}

// The shown window of a hit: up to `left` before and `right` after on the hit's line, less a
// character where the edge would fall inside a surrogate pair.
void check_window(std::u16string_view text, const Hit& h, const lantaro::ResultItem& item,
                  std::size_t left, std::size_t right) {
  FUZZ_CHECK(item.hit_start == h.start && item.hit_length == h.length);
  FUZZ_CHECK(item.start <= item.hit_start);
  FUZZ_CHECK(item.hit_start + item.hit_length <= item.start + item.length);
  FUZZ_CHECK(item.start + item.length <= text.size());
  const std::size_t hit_end = h.start + h.length;
  std::size_t line_start = h.start;
  while (line_start > 0 && !is_break(text[line_start - 1])) --line_start;
  std::size_t line_end = hit_end;
  while (line_end < text.size() && !is_break(text[line_end])) ++line_end;
  std::size_t start = h.start - std::min(left, h.start - line_start);
  if (start < h.start && splits_pair(text, start)) ++start;
  std::size_t end = hit_end + std::min(right, line_end - hit_end);
  if (end > hit_end && splits_pair(text, end)) --end;
  FUZZ_CHECK(item.start == start);
  FUZZ_CHECK(item.start + item.length == end);
}

void check_passage(std::u16string_view text, const Hit& h, std::size_t before, std::size_t after) {
  const lantaro::Passage p = lantaro::context_passage(text, h, before, after);
  FUZZ_CHECK(p.start <= h.start && h.start + h.length <= p.start + p.length);
  FUZZ_CHECK(p.start + p.length <= text.size());
  FUZZ_CHECK(h.start - p.start <= before && p.start + p.length - (h.start + h.length) <= after);
  if (p.start < h.start) FUZZ_CHECK(!splits_pair(text, p.start));
  if (p.start + p.length > h.start + h.length) FUZZ_CHECK(!splits_pair(text, p.start + p.length));
}

// The whole search, over the bytes written to a file, gives the hits and windows that the plain
// matcher finds in the decoded text: the search looks at the bytes first and decodes only a
// document that may hold a hit, so this is where a wrong "no" would show.
void check_whole_search(std::string_view bytes, const SearchRequest& r) {
  // One scratch file per fuzzing process, removed when the process ends.
  struct Scratch {
    std::filesystem::path path =
        std::filesystem::temp_directory_path() /
        ("lantaro-fuzz-search-" + std::to_string(std::random_device{}()) + ".txt");
    ~Scratch() {
      std::error_code ignored;
      std::filesystem::remove(path, ignored);
    }
  };
  static const Scratch scratch;
  const std::filesystem::path& path = scratch.path;
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    FUZZ_CHECK(out.good());
  }
  const std::u16string text = lantaro::decode_document(bytes);
  const std::vector<Hit> hits = lantaro::find_hits(text, r);
  // A store's first search looks for the keywords line by line in the bytes; a later one decodes
  // a document whose bytes hold them whole (this store keeps nothing, so it always reads again).
  static lantaro::DocumentStore repeated(0);
  lantaro::DocumentStore first;
  for (lantaro::DocumentStore* store : {&first, &repeated}) {
    lantaro::Document document{path, "a.txt", u"甲"};
    lantaro::SearchOptions options;
    options.threads = 1;
    const lantaro::SearchResults results =
        lantaro::search_documents({document}, r, *store, options);
    FUZZ_CHECK(results.searched == 1);
    FUZZ_CHECK(results.list.items.size() == hits.size());
    FUZZ_CHECK(results.hit_documents() == (hits.empty() ? 0u : 1u));
    if (hits.empty()) continue;
    FUZZ_CHECK(results.hit_counts[0] == hits.size());
    FUZZ_CHECK(*results.list.texts.at(0) == text);
    for (std::size_t i = 0; i < hits.size(); ++i) {
      const lantaro::ResultItem& item = results.list.items[i];
      FUZZ_CHECK(item == lantaro::make_result_item(text, 0, hits[i], r.left, r.right));
      const lantaro::ResultList& list = results.list;
      std::u16string pieces(list.left_context(i));
      pieces += list.hit_text(i);
      pieces += list.right_context(i);
      FUZZ_CHECK(pieces == list.span_text(i));
      FUZZ_CHECK(list.span_text(i) == text.substr(item.start, item.length));
      FUZZ_CHECK(list.hit_text(i) == text.substr(hits[i].start, hits[i].length));
      FUZZ_CHECK(list.item_text(i) ==
                 std::u16string(list.span_text(i)) + lantaro::citation_suffix(u"甲"));
    }
  }
}

// The same text as a document in each code page the reading rule knows: GB18030 (with four-byte
// codes for what GBK lacks, U+FFFD included) and UTF-8 with and without a byte-order mark, each
// with a malformed byte put in at a place the input chooses.
std::vector<std::string> documents_for(std::string_view bytes, std::u16string_view text,
                                       std::size_t seed) {
  std::vector<std::string> out = {std::string(bytes)};
  std::string gbk = lantaro::encode_gbk(text);
  gbk.insert(gbk.size() ? seed % gbk.size() : 0, 1, static_cast<char>(0x80 | (seed & 0x7F)));
  out.push_back(std::move(gbk));
  const std::string utf8 = lantaro::utf16_to_utf8(text);
  out.push_back(utf8);
  std::string marked = "\xEF\xBB\xBF" + utf8;
  marked.insert(3 + (utf8.size() ? seed % utf8.size() : 0), 1, '\xC3');
  out.push_back(std::move(marked));
  return out;
}

// A keyword taken from the text itself, so that hits are common: up to four code units from a
// place the input chooses (lone surrogate halves and U+FFFD included, as they come).
SearchRequest sliced_request(std::u16string_view text, const SearchRequest& r, std::size_t seed) {
  SearchRequest sliced = r;
  if (text.empty()) return sliced;
  const std::size_t at = seed % text.size();
  sliced.first_keyword = std::u16string(text.substr(at, 1 + (seed >> 8) % 4));
  return sliced;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::string_view> fields;
  std::string_view rest(reinterpret_cast<const char*>(data), size);
  for (;;) {
    const std::size_t cut = rest.find('\0');
    fields.push_back(rest.substr(0, cut));
    if (cut == std::string_view::npos) break;
    rest.remove_prefix(cut + 1);
  }
  const std::string_view bytes = fields[0];
  const bool utf8 = reads_as_utf8(bytes);
  auto decode = [utf8](std::string_view s) {
    return utf8 ? lantaro::utf8_to_utf16(s) : lantaro::decode_gbk(s);
  };

  lantaro::SearchForm form;
  if (fields.size() > 1) form.keyword_text = decode(fields[1]);
  if (fields.size() > 2) {
    if (fields[2] == "w")
      form.mode_text = std::u16string(lantaro::kWithinRangeModeText);
    else if (fields[2] != "e")
      form.mode_text = decode(fields[2]);
  }
  if (fields.size() > 3) form.n_text = decode(fields[3]);
  if (fields.size() > 4) form.left_text = decode(fields[4]);
  if (fields.size() > 5) form.right_text = decode(fields[5]);

  const lantaro::ParsedSearchForm parsed = lantaro::parse_search_form(form);
  check_form(form, parsed);
  if (!parsed.request) return 0;
  const SearchRequest& request = *parsed.request;

  const std::u16string text = lantaro::decode_document(bytes);
  const std::vector<Hit> hits = lantaro::find_hits(text, request);
  check_hits(text, request, hits);
  if (text.size() <= 2048) FUZZ_CHECK(hits == reference_hits(text, request));

  for (const Hit& h : hits) {
    check_window(text, h, lantaro::make_result_item(text, 0, h, request.left, request.right),
                 request.left, request.right);
    check_passage(text, h, request.left, request.right);
  }
  std::size_t seed = size;
  for (std::size_t i = 0; i < std::min<std::size_t>(size, 16); ++i) seed = seed * 131 + data[i];
  for (const std::string& document : documents_for(bytes, text, seed)) {
    check_whole_search(document, request);
    check_whole_search(document, sliced_request(lantaro::decode_document(document), request, seed));
  }
  return 0;
}
