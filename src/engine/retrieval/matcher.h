#pragma once
// The matching rules, in one place: exact code units, line by line (no hit crosses a line
// break), candidates from each line's start, hits never overlap.

#include <cstddef>
#include <string_view>
#include <vector>

#include "engine/retrieval/search_request.h"

namespace lantaro {

struct Hit {
  std::size_t start = 0;  // UTF-16 offset in the decoded text
  std::size_t length = 0;
  friend bool operator==(const Hit&, const Hit&) = default;
};

// All hits of the request in the text, in text order.
std::vector<Hit> find_hits(std::u16string_view text, const SearchRequest& request);
// The same into `hits` (cleared first), so that a caller searching many texts reuses one buffer.
void find_hits(std::u16string_view text, const SearchRequest& request, std::vector<Hit>& hits);

}  // namespace lantaro
