#pragma once
// The orders a linguist reads a concordance in: as found (document order), or sorted by what
// stands left or right of the hit. Both front ends compute the order here and apply it to the
// same ResultList, so the window, its exports and lantaro-cli agree item for item.

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "engine/retrieval/result_list.h"

namespace lantaro {

enum class ResultOrder {
  Document,  // as the search found them
  Left,      // by the left context read backwards from the hit
  Right,     // by the right context read forwards from the hit
};

// "document", "left", "right" (the lantaro-cli spelling).
std::optional<ResultOrder> result_order_from_name(std::string_view name);

// A permutation of item indexes: position r shows item order[r]. Characters compare by code
// point (a surrogate pair as the one character it is), a context that ends first sorts first,
// ties keep index order. `list` is taken to be in document order; sentences (no hit) have only
// that order.
std::vector<std::uint32_t> result_order(const ResultList& list, ResultOrder order);

// Rearranges the items so that item r is the former item order[r].
void apply_result_order(ResultList& list, const std::vector<std::uint32_t>& order);

}  // namespace lantaro
