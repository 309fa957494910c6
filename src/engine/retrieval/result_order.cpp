#include "engine/retrieval/result_order.h"

#include <algorithm>
#include <numeric>

#include "engine/common/text.h"

namespace lantaro {
namespace {

// Reads a context one code point at a time, forwards from its start or backwards from its end.
class CodePoints {
 public:
  CodePoints(std::u16string_view text, bool backwards)
      : text_(text), backwards_(backwards), at_(backwards ? text.size() : 0) {}

  // 0 once the context is used up; otherwise the code point plus one, so an ended context
  // compares below every character.
  std::uint32_t next() {
    if (backwards_) {
      if (at_ == 0) return 0;
      char16_t c = text_[--at_];
      if (is_low_surrogate(c) && at_ > 0 && is_high_surrogate(text_[at_ - 1]))
        return combine(text_[--at_], c) + 1;
      return c + 1u;
    }
    if (at_ == text_.size()) return 0;
    char16_t c = text_[at_++];
    if (is_high_surrogate(c) && at_ < text_.size() && is_low_surrogate(text_[at_]))
      return combine(c, text_[at_++]) + 1;
    return c + 1u;
  }

 private:
  static std::uint32_t combine(char16_t high, char16_t low) {
    return 0x10000u + ((static_cast<std::uint32_t>(high) - 0xD800u) << 10) +
           (static_cast<std::uint32_t>(low) - 0xDC00u);
  }

  std::u16string_view text_;
  bool backwards_;
  std::size_t at_;
};

constexpr int kKeyPoints = 3;  // code points in one key, 21 bits each
constexpr std::uint64_t kLastPointMask = (1u << 21) - 1;

// Code points `skip` to `skip + 3` of a context packed into one number, the first highest: keys
// compare as the texts do, an ended context as zeros.
std::uint64_t key_at(std::u16string_view context, bool backwards, std::size_t skip) {
  CodePoints points(context, backwards);
  for (std::size_t k = 0; k < skip; ++k)
    if (points.next() == 0) return 0;
  std::uint64_t key = 0;
  for (int k = 0; k < kKeyPoints; ++k) key = (key << 21) | points.next();
  return key;
}

struct Keyed {
  std::uint64_t key;
  std::uint32_t index;
};

bool by_key_then_index(const Keyed& a, const Keyed& b) {
  return a.key != b.key ? a.key < b.key : a.index < b.index;
}

}  // namespace

std::optional<ResultOrder> result_order_from_name(std::string_view name) {
  if (name == "document") return ResultOrder::Document;
  if (name == "left") return ResultOrder::Left;
  if (name == "right") return ResultOrder::Right;
  return std::nullopt;
}

std::vector<std::uint32_t> result_order(const ResultList& list, ResultOrder order) {
  std::vector<std::uint32_t> positions(list.size());
  std::iota(positions.begin(), positions.end(), 0u);
  if (order == ResultOrder::Document || list.kind != ResultKind::Search) return positions;

  const bool backwards = order == ResultOrder::Left;
  auto context = [&](std::uint32_t i) {
    return backwards ? list.left_context(i) : list.right_context(i);
  };
  // Sorted three characters at a time: first by the first three, then each run that still ties
  // by the next three, until contexts differ or end. Most items are settled by the first key,
  // and sorting plain numbers is what a million items can afford.
  std::vector<Keyed> keyed(list.size());
  for (std::uint32_t i = 0; i < keyed.size(); ++i) keyed[i] = {key_at(context(i), backwards, 0), i};
  struct Run {
    std::size_t begin, end, depth;
  };
  std::vector<Run> ties;
  auto sort_run = [&](std::size_t begin, std::size_t end, std::size_t depth) {
    std::sort(keyed.begin() + static_cast<std::ptrdiff_t>(begin),
              keyed.begin() + static_cast<std::ptrdiff_t>(end), by_key_then_index);
    for (std::size_t b = begin; b < end;) {
      std::size_t e = b + 1;
      while (e < end && keyed[e].key == keyed[b].key) ++e;
      // Equal keys whose contexts go on may still differ further along.
      if (e - b > 1 && (keyed[b].key & kLastPointMask) != 0) ties.push_back({b, e, depth + 1});
      b = e;
    }
  };
  sort_run(0, keyed.size(), 0);
  while (!ties.empty()) {
    const Run run = ties.back();
    ties.pop_back();
    for (std::size_t k = run.begin; k < run.end; ++k)
      keyed[k].key = key_at(context(keyed[k].index), backwards, run.depth * kKeyPoints);
    sort_run(run.begin, run.end, run.depth);
  }
  for (std::size_t k = 0; k < keyed.size(); ++k) positions[k] = keyed[k].index;
  return positions;
}

void apply_result_order(ResultList& list, const std::vector<std::uint32_t>& order) {
  if (order.size() != list.items.size()) return;
  // In place, one cycle of the permutation at a time: a second copy of a million items would
  // cost more memory than the sort itself.
  std::vector<bool> placed(order.size());
  for (std::uint32_t i : order) {
    if (i >= order.size() || placed[i]) return;  // not a permutation
    placed[i] = true;
  }
  placed.assign(order.size(), false);
  std::vector<ResultItem>& items = list.items;
  for (std::size_t start = 0; start < order.size(); ++start) {
    if (placed[start] || order[start] == start) continue;
    const ResultItem first = items[start];
    std::size_t at = start;
    while (order[at] != start) {
      items[at] = items[order[at]];
      placed[at] = true;
      at = order[at];
    }
    items[at] = first;
    placed[at] = true;
  }
}

}  // namespace lantaro
