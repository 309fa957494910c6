#include "engine/retrieval/matcher.h"

#include "engine/retrieval/text_scan.h"

namespace lantaro {
namespace {

constexpr std::size_t npos = std::u16string_view::npos;

bool has_line_break(std::u16string_view s) { return scan::find_line_break(s, 0) != s.size(); }

// Candidates p only ever grow, so the next line break and the next second keyword at or after
// a position are looked up again only once the scan has passed the previous answer. That keeps a
// two-keyword search linear in the text even for a large N.
class ForwardCache {
 public:
  ForwardCache(std::u16string_view text, std::u16string_view second)
      : text_(text), second_(second) {}

  std::size_t line_break_from(std::size_t pos) {
    if (break_ == npos || break_ < pos) break_ = scan::find_line_break(text_, pos);
    return break_;
  }
  // npos when the second keyword does not occur at or after pos.
  std::size_t second_from(std::size_t pos) {
    if (second_done_) return npos;
    if (second_pos_ == npos || second_pos_ < pos) {
      second_pos_ = scan::find(text_, second_, pos);
      if (second_pos_ == npos) second_done_ = true;
    }
    return second_pos_;
  }

 private:
  std::u16string_view text_, second_;
  std::size_t break_ = npos;
  std::size_t second_pos_ = npos;
  bool second_done_ = false;
};

}  // namespace

std::vector<Hit> find_hits(std::u16string_view text, const SearchRequest& request) {
  std::vector<Hit> hits;
  find_hits(text, request, hits);
  return hits;
}

void find_hits(std::u16string_view text, const SearchRequest& request, std::vector<Hit>& hits) {
  hits.clear();
  const std::u16string_view k1 = request.first_keyword;
  const std::u16string_view k2 = request.second_keyword;
  // A keyword holding a line break can never lie within one line.
  if (k1.empty() || has_line_break(k1) || has_line_break(k2)) return;

  if (!request.two_keywords()) {
    for (std::size_t p = scan::find(text, k1, 0); p != npos;
         p = scan::find(text, k1, p + k1.size()))
      hits.push_back({p, k1.size()});
    return;
  }

  ForwardCache ahead(text, k2);
  const std::size_t n = request.n;
  std::size_t p = scan::find(text, k1, 0);
  while (p != npos) {
    const std::size_t after = p + k1.size();
    std::size_t end = npos;
    if (request.mode == CombinationMode::ExactGap) {
      const std::size_t q = after + n;
      if (q <= text.size() && text.size() - q >= k2.size() && text.substr(q, k2.size()) == k2 &&
          ahead.line_break_from(after) >= q)
        end = q + k2.size();
    } else {
      const std::size_t q = ahead.second_from(after);
      // k2 holds no line break, so it stays on the line when it starts before the break.
      if (q != npos && q + k2.size() <= after + n && q < ahead.line_break_from(after))
        end = q + k2.size();
    }
    if (end != npos) {
      hits.push_back({p, end - p});
      p = scan::find(text, k1, end);
    } else {
      p = scan::find(text, k1, p + 1);
    }
  }
}

}  // namespace lantaro
