#include "engine/retrieval/search_request.h"

#include "engine/common/text.h"

namespace lantaro {
namespace {

bool is_space(char16_t c) { return c == u' ' || c == u'\u3000'; }

// A box text as a count: digits only after trimming (no sign, no exponent), at most kMaxCount.
// Leading zeros are harmless ("020" is 20).
std::optional<std::size_t> parse_count(std::u16string_view text) {
  text = trim_blanks(text);
  if (text.empty()) return std::nullopt;
  std::size_t value = 0;
  for (char16_t c : text) {
    if (c < u'0' || c > u'9') return std::nullopt;
    value = value * 10 + static_cast<std::size_t>(c - u'0');
    if (value > kMaxCount) return std::nullopt;  // also keeps the product from overflowing
  }
  return value;
}

}  // namespace

CombinationMode combination_mode_from_text(std::u16string_view text) {
  // A stray blank typed into the editable box should not silently switch the mode.
  return trim_blanks(text) == kWithinRangeModeText ? CombinationMode::WithinRange
                                                   : CombinationMode::ExactGap;
}

ParsedSearchForm parse_search_form(const SearchForm& form) {
  ParsedSearchForm parsed;
  std::u16string_view keywords = trim_spaces(form.keyword_text);
  if (keywords.empty()) {
    parsed.refusal = Message::EnterKeyword;
    return parsed;
  }

  SearchRequest request;
  std::size_t gap = 0;
  while (gap < keywords.size() && !is_space(keywords[gap])) ++gap;
  request.first_keyword = std::u16string(keywords.substr(0, gap));
  if (gap < keywords.size())
    request.second_keyword = std::u16string(trim_spaces(keywords.substr(gap)));
  request.mode = combination_mode_from_text(form.mode_text);

  auto left = parse_count(form.left_text);
  auto right = parse_count(form.right_text);
  std::optional<std::size_t> n = request.two_keywords() ? parse_count(form.n_text) : std::size_t{0};
  if (!left || !right || !n) {
    parsed.refusal = Message::CountOutOfRange;
    return parsed;
  }
  request.n = *n;
  request.left = *left;
  request.right = *right;
  parsed.request = std::move(request);
  return parsed;
}

}  // namespace lantaro
