#pragma once
// What the search bar asks for, from the raw box texts to a checked request.

#include <cstddef>
#include <optional>
#include <string>

#include "engine/common/messages.h"

namespace lantaro {

// The two combination modes of a two-keyword search. Any text other than the second item's
// means the first.
enum class CombinationMode {
  ExactGap,  // "两关键词间隔字符数": exactly N characters between the keywords
  WithinRange,  // "第二词在字符数范围": the second keyword within the N characters after the first
};

inline constexpr std::u16string_view kExactGapModeText = u"两关键词间隔字符数";
inline constexpr std::u16string_view kWithinRangeModeText = u"第二词在字符数范围";
inline constexpr std::size_t kMaxCount = 100000;

CombinationMode combination_mode_from_text(std::u16string_view text);

// The texts of the search bar's boxes as the user left them.
struct SearchForm {
  std::u16string keyword_text;
  std::u16string mode_text = std::u16string(kExactGapModeText);
  std::u16string n_text = u"2";
  std::u16string left_text = u"20";
  std::u16string right_text = u"20";
};

struct SearchRequest {
  std::u16string first_keyword;
  std::u16string second_keyword;  // empty: a single-keyword search
  CombinationMode mode = CombinationMode::ExactGap;
  std::size_t n = 0;       // only for two keywords
  std::size_t left = 20;   // characters shown before a hit
  std::size_t right = 20;  // characters shown after a hit

  bool two_keywords() const { return !second_keyword.empty(); }
  friend bool operator==(const SearchRequest&, const SearchRequest&) = default;
};

struct ParsedSearchForm {
  std::optional<SearchRequest> request;
  Message refusal = Message::EnterKeyword;  // meaningful only without a request
};

// The keyword check, then the numbers (the tick checks come first and are the caller's).
ParsedSearchForm parse_search_form(const SearchForm& form);

}  // namespace lantaro
